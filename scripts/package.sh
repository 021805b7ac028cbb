#!/usr/bin/env bash
# Builds the Debian package from a finished build tree and checks it: the
# package is unpacked into a staging root (dpkg -x), the programs run from
# there (--version, decode, report --pdf through the installed PDF module),
# and the desktop entry, the AppStream metadata and the package itself go
# through their validators when those are installed.
# usage: scripts/package.sh BUILD_DIR      (prints the package's path last)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
out=$build/package
rm -rf "$out"
mkdir -p "$out"
(cd "$out" && cpack -G DEB --config "$build/CPackConfig.cmake" > "$out/cpack.log" 2>&1) || { cat "$out/cpack.log"; exit 1; }
deb=$(ls "$out"/tessaro_*.deb)
echo "package: $(basename "$deb") ($(du -k "$deb" | cut -f1) KiB)"
dpkg-deb -f "$deb" Package Version Architecture Section Depends | sed 's/^/  /'

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
dpkg-deb -x "$deb" "$stage"
usr=$stage/usr
"$usr/bin/tessaro-cli" --version
QT_QPA_PLATFORM=offscreen "$usr/bin/tessaro" --version
"$usr/bin/tessaro-programmer-sim" --version
"$usr/bin/tessaro-spdrw-sim" --version

# A real image when the shared corpus is there, else one the wizard builds.
image=""
for corpus in "$here/../shared/corpus" /work/shared/corpus; do
  if [ -d "$corpus/ddr3" ]; then
    image=$(find "$corpus/ddr3" -type f | sort | head -n 1)
    [ -n "$image" ] && break
  fi
done
if [ -z "$image" ]; then
  image=$stage/wizard.spd
  "$usr/bin/tessaro-cli" wizard --type ddr3 --speed 1333 --width x8 --size 128Mb --sides single -o "$image" > /dev/null
fi
"$usr/bin/tessaro-cli" decode "$image" > "$stage/decode.txt"
head -n 2 "$stage/decode.txt"
"$usr/bin/tessaro-cli" report "$image" --pdf "$stage/report.pdf"
[ "$(head -c 5 "$stage/report.pdf")" = "%PDF-" ] || { echo "the installed report --pdf wrote no PDF"; exit 1; }
echo "installed report --pdf: $(du -k "$stage/report.pdf" | cut -f1) KiB PDF"

# The .spd type as a plain desktop (no desktop session of its own) and GLib
# name it from the installed MIME database: ours, not the old font type that
# claims the same name.
if command -v update-mime-database > /dev/null && command -v xdg-mime > /dev/null; then
  mimes=$stage/mime-data
  mkdir -p "$mimes/mime/packages"
  cp /usr/share/mime/packages/*.xml "$usr/share/mime/packages/tessaro.xml" "$mimes/mime/packages/"
  update-mime-database "$mimes/mime" 2> /dev/null  # it notes that the folder is not a system one
  printf ' 80 08 08 0E 0A 60 40 00 04 50 60 00 82 08 00 01 \r\n' > "$stage/x.spd"
  mime_env=(env -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION -u KDE_FULL_SESSION -u GNOME_DESKTOP_SESSION_ID
            XDG_DATA_HOME="$stage/no-user-data" XDG_DATA_DIRS="$mimes")
  for query in "xdg-mime query filetype" "gio info -a standard::content-type"; do
    command -v "${query%% *}" > /dev/null || continue
    answer=$("${mime_env[@]}" $query "$stage/x.spd" 2>&1 | sed -n 's/^ *standard::content-type: //p; /^[a-z-]*\/[^ ]*$/p' | head -n 1)
    [ "$answer" = "text/x-spd" ] || { echo "$query x.spd answers \"$answer\", not text/x-spd"; exit 1; }
  done
  echo "x.spd: text/x-spd (xdg-mime, gio)"
fi

if command -v desktop-file-validate > /dev/null; then
  desktop-file-validate "$usr/share/applications/tessaro.desktop" && echo "desktop-file-validate: ok"
fi
if command -v appstreamcli > /dev/null; then
  appstreamcli validate --no-net "$usr/share/metainfo/io.github.tessaro.Tessaro.metainfo.xml"
fi
if command -v lintian > /dev/null; then
  # Errors fail the stage; the warnings left are explained in README "Install".
  lintian --fail-on error "$deb" | tee "$stage/lintian.txt" || {
    echo "lintian found errors in $(basename "$deb")"; exit 1; }
  # The programs are hardened and stripped as Debian builds them.
  if grep -E 'hardening-no-|binary-has-unneeded-section|unstripped-binary' "$stage/lintian.txt"; then
    echo "lintian: the programs are not hardened or not stripped (build with CMAKE_BUILD_TYPE=Release)"; exit 1
  fi
  echo "lintian: no errors"
fi
echo "$deb"
