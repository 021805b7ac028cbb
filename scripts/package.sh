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

if command -v desktop-file-validate > /dev/null; then
  desktop-file-validate "$usr/share/applications/tessaro.desktop" && echo "desktop-file-validate: ok"
fi
if command -v appstreamcli > /dev/null; then
  appstreamcli validate --no-net "$usr/share/metainfo/io.github.tessaro.Tessaro.metainfo.xml"
fi
if command -v lintian > /dev/null; then
  # Errors fail the stage; the warnings left are explained in README "Install".
  lintian --fail-on error "$deb" || {
    echo "lintian found errors in $(basename "$deb")"; exit 1; }
  echo "lintian: no errors"
fi
echo "$deb"
