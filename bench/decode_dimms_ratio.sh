#!/usr/bin/env bash
# Side by side on the same DDR4 images: decode-dimms (i2c-tools) reading each
# image as `hexdump -C` text, and `tessaro-cli decode` (text listing and
# --json) reading the binary files. One call per tool over all files, best of
# three by the wall clock; prints both throughputs and the ratio (target 20x).
# The default batch, 2,000 files (a day's line output), lets the throughput
# show; at a few hundred files both programs' start-up times dominate, which
# the last line takes out.
# usage: bench/decode_dimms_ratio.sh BUILD_DIR [COUNT]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?usage: bench/decode_dimms_ratio.sh BUILD_DIR [COUNT]}
count=${2:-2000}
cli="$build/tools/cli/tessaro-cli"
corpus=${TESSARO_CORPUS:-$here/../shared/corpus}
[ -d "$corpus" ] || corpus=/work/shared/corpus
command -v decode-dimms > /dev/null || { echo "decode-dimms not installed (package i2c-tools)"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

sources=("$corpus"/ddr4/*.bin)
[ -e "${sources[0]}" ] || sources=("$here"/fuzz/corpus/module_decode/ddr4*.bin)
bins=()
dumps=()
for ((i = 0; i < count; ++i)); do
  printf -v name 'img%04d' "$i"
  cp "${sources[i % ${#sources[@]}]}" "$work/$name.bin"
  hexdump -C "$work/$name.bin" > "$work/$name.txt"
  bins+=("$work/$name.bin")
  dumps+=("$work/$name.txt")
done
echo "$count DDR4 files (${#sources[@]} distinct images)"

# Best wall time of three runs of the command given, in seconds.
best_of_three() {
  local best="" start end t
  for _ in 1 2 3; do
    start=$(date +%s.%N)
    "$@" > "$work/out" 2>&1 || true
    end=$(date +%s.%N)
    t=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.4f", e - s }')
    if [ -z "$best" ] || awk -v a="$t" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$t; fi
  done
  echo "$best"
}

theirs=$(best_of_three decode-dimms -x "${dumps[@]}")
decoded=$(grep -c '^Decoding EEPROM' "$work/out" || true)
ours_text=$(best_of_three "$cli" decode "${bins[@]}")
ours_json=$(best_of_three "$cli" decode --json "${bins[@]}")
records=$(wc -l < "$work/out")
# The cost of starting each program, from one-file runs: at a few hundred files
# our start dominates, so the ratio per file past the start is printed too.
theirs_one=$(best_of_three decode-dimms -x "${dumps[0]}")
ours_one=$(best_of_three "$cli" decode --json "${bins[0]}")

awk -v n="$count" -v dd="$theirs" -v tt="$ours_text" -v tj="$ours_json" -v dn="$decoded" -v jn="$records" \
    -v d1="$theirs_one" -v j1="$ours_one" 'BEGIN {
  printf "decode-dimms -x (hexdump -C text): %8.3f s  %9.0f files/s  (%d decoded)\n", dd, n / dd, dn
  printf "tessaro-cli decode (listing):      %8.3f s  %9.0f files/s\n", tt, n / tt
  printf "tessaro-cli decode --json:         %8.3f s  %9.0f files/s  (%d records)\n", tj, n / tj, jn
  printf "ratio listing: %.1fx, ratio json: %.1fx (target 20x: %s)\n", dd / tt, dd / tj,
         (dd / tt >= 20 && dd / tj >= 20) ? "met" : "NOT met"
  if (n > 1 && tj > j1 && dd > d1)
    printf "start: decode-dimms %.3f s, tessaro-cli %.3f s; per file past the start: %.0f us against %.0f us, ratio %.1fx\n",
           d1, j1, (dd - d1) / (n - 1) * 1e6, (tj - j1) / (n - 1) * 1e6, (dd - d1) / (tj - j1)
}'
