#!/usr/bin/env bash
# Times `tessaro-cli decode --json` over 10,000 image files in one call.
# usage: scripts/bench-batch.sh [BUILD_DIR] [COUNT]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
count=${2:-10000}
cli="$build/tools/cli/tessaro-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One stream of images made of the fuzz seed images, cut into 256-byte files.
cat "$here"/fuzz/corpus/decode/{ddr2-sodimm,ddr3-sodimm,sdr,ddr,all-ff}.bin > "$work/pool"
while [ "$(stat -c %s "$work/pool")" -lt $((256 * count)) ]; do
  cat "$work/pool" "$work/pool" > "$work/pool2" && mv "$work/pool2" "$work/pool"
done
mkdir "$work/images"
head -c $((256 * count)) "$work/pool" | (cd "$work/images" && split -b 256 -a 6 -d --additional-suffix=.bin - img)

files=("$work"/images/*.bin)
echo "decoding ${#files[@]} files in one call"
start=$(date +%s.%N)
"$cli" decode --json "${files[@]}" > "$work/out.jsonl"
end=$(date +%s.%N)
lines=$(wc -l < "$work/out.jsonl")
awk -v s="$start" -v e="$end" -v n="$lines" \
  'BEGIN { t = e - s; printf "%d records in %.3f s: %.0f files per second\n", n, t, n / t }'
