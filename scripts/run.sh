#!/usr/bin/env bash
# Sets everything up, builds, and runs the main job on its default: a sample
# DDR2 SO-DIMM image written here, its checksum fixed, then decoded.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/setup-deps.sh"
bash "$here/scripts/build.sh" "$here/build" -DTESSARO_BUILD_BENCH=OFF
cli="$here/build/tools/cli/tessaro-cli"

sample="$here/build/sample-ddr2-sodimm.spd"
cat > "$sample" <<'SPD'
 80 08 08 0E 0A 60 40 00 05 25 40 00 82 08 00 00 
 0C 08 38 01 04 00 03 30 45 3D 50 32 1E 32 2D 01 
 17 25 05 12 3C 1E 1E 00 00 39 69 80 18 22 00 00 
 00 00 00 00 00 00 00 00 00 00 00 00 00 00 12 00 
 7F 98 00 00 00 00 00 00 01 54 53 2D 44 44 52 32 
 2D 38 30 30 2D 31 47 20 20 20 20 00 00 09 45 12 
 34 56 78 00 00 00 00 00 00 00 00 00 00 00 00 00 
 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 
 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 
 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 
 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 
 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 
 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 
 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 
 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 
 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 
SPD
sed -i 's/$/\r/' "$sample"

echo "== tessaro-cli fix $sample"
"$cli" fix "$sample"
echo "== tessaro-cli decode $sample"
"$cli" decode "$sample"
