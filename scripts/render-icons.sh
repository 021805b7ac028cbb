#!/usr/bin/env bash
# Renders the application icon packaging/icons/tessaro.svg into the PNG sizes
# the program and the icon theme carry (packaging/icons/png/tessaro-SIZE.png).
# The PNGs are kept in the repository; run this after changing the SVG.
# Needs rsvg-convert (Debian package librsvg2-bin).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$here/packaging/icons/png"
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" "$here/packaging/icons/tessaro.svg" -o "$here/packaging/icons/png/tessaro-$size.png"
done
