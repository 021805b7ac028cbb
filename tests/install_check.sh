#!/usr/bin/env bash
# Installs the build into a temporary /usr and checks the tree a package is
# made of: every file in its place, nothing of the tests, and the installed
# programs working from there, tessaro-cli's PDF module included.
# usage: install_check.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build=$1
source_dir=$2
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
status=0
fail() { echo "$*"; status=1; }

cmake --install "$build" --prefix "$root/usr" > "$root/install.log" 2>&1 || { cat "$root/install.log"; exit 1; }
usr=$root/usr
(cd "$usr" && find . -type f -o -type l | sort) > "$root/files"

for f in bin/tessaro bin/tessaro-cli bin/tessaro-programmer-sim bin/tessaro-spdrw-sim \
         share/applications/tessaro.desktop share/metainfo/io.github.tessaro.Tessaro.metainfo.xml \
         share/mime/packages/tessaro.xml share/icons/hicolor/scalable/apps/tessaro.svg \
         share/icons/hicolor/16x16/apps/tessaro.png share/icons/hicolor/256x256/apps/tessaro.png \
         share/man/man1/tessaro.1.gz share/man/man1/tessaro-cli.1.gz share/man/man1/tessaro-programmer-sim.1.gz \
         share/man/man1/tessaro-spdrw-sim.1.gz \
         share/bash-completion/completions/tessaro-cli share/doc/tessaro/copyright share/doc/tessaro/changelog.gz; do
  grep -qx "./$f" "$root/files" || fail "not installed: $f"
done
grep -qE '/tessaro/libtessaro-report-pdf\.so$' "$root/files" || fail "not installed: the PDF module"
if grep -E 'test|bench|fuzz|screens|\.a$|\.h$' "$root/files"; then fail "installed, but must not be: the files above"; fi

cli=$usr/bin/tessaro-cli
version=$(sed -n 's/^project(tessaro VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
[ "$("$cli" --version)" = "tessaro-cli $version" ] || fail "installed tessaro-cli --version: $("$cli" --version)"
[ "$(QT_QPA_PLATFORM=offscreen "$usr/bin/tessaro" --version)" = "tessaro $version" ] || fail "installed tessaro --version"
[ "$("$usr/bin/tessaro-programmer-sim" --version)" = "tessaro-programmer-sim $version" ] || fail "installed sim --version"
[ "$("$usr/bin/tessaro-spdrw-sim" --version)" = "tessaro-spdrw-sim $version" ] || fail "installed spdrw sim --version"
grep -q "<release version=\"$version\"" "$usr/share/metainfo/io.github.tessaro.Tessaro.metainfo.xml" ||
  fail "the metadata lists no release $version"

# The installed command line finds its PDF module in LIBDIR/tessaro.
"$cli" wizard --type ddr3 --speed 1333 --width x8 --size 128Mb --sides single -o "$root/image.spd" > /dev/null ||
  fail "installed tessaro-cli wizard failed"
"$cli" decode "$root/image.spd" > "$root/decode.txt" || fail "installed tessaro-cli decode failed"
"$cli" report "$root/image.spd" --pdf "$root/report.pdf" || fail "installed tessaro-cli report --pdf failed"
[ "$(head -c 5 "$root/report.pdf" 2>/dev/null)" = "%PDF-" ] || fail "installed report --pdf wrote no PDF"

# The validators, where they are installed.
if command -v desktop-file-validate > /dev/null; then
  desktop-file-validate "$usr/share/applications/tessaro.desktop" || fail "desktop-file-validate"
fi
if command -v appstreamcli > /dev/null; then
  appstreamcli validate --no-net --explain "$usr/share/metainfo/io.github.tessaro.Tessaro.metainfo.xml" ||
    fail "appstreamcli validate"
fi
if command -v update-mime-database > /dev/null; then
  update-mime-database "$usr/share/mime" > "$root/mime.log" 2>&1 && [ -f "$usr/share/mime/text/x-spd.xml" ] || fail "update-mime-database"
fi
exit $status
