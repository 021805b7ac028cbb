#!/usr/bin/env bash
# Times ONE call of `tessaro-cli decode --json` over 10,000 mixed image files
# (256-, 512- and 1024-byte), best of three runs by the wall clock, and checks
# that the output holds one record per file in argument order.
# The images are copies of the real ones under the shared corpus when present,
# else the synthetic fuzz seeds. Target on a 2-core machine: 60,000 files/s.
# usage: bench/decode_batch.sh BUILD_DIR [COUNT]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?usage: bench/decode_batch.sh BUILD_DIR [COUNT]}
count=${2:-10000}
cli="$build/tools/cli/tessaro-cli"
corpus=${TESSARO_CORPUS:-$here/../shared/corpus}
[ -d "$corpus" ] || corpus=/work/shared/corpus
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

sources=()
for kind in sdr ddr ddr2 ddr3 ddr4 ddr5; do
  [ -d "$corpus/$kind" ] && sources+=("$corpus/$kind"/*.bin)
done
if [ ${#sources[@]} -eq 0 ]; then
  echo "no corpus at $corpus: synthetic images"
  sources=("$here"/fuzz/corpus/decode/*.bin "$here"/fuzz/corpus/module_decode/ddr[45]*.bin)
fi

mkdir "$work/images"
files=()
for ((i = 0; i < count; ++i)); do
  printf -v name 'img%05d.bin' "$i"
  files+=("$work/images/$name")
done
# Round robin over the sources, so every size is spread over the whole batch
# (perl writes them all: one cp per file would take minutes).
printf '%s\n' "${sources[@]}" > "$work/sources"
printf '%s\n' "${files[@]}" > "$work/files"
perl -e '
  open my $s, "<", $ARGV[0] or die; chomp(my @src = <$s>);
  my @data = map { local $/; open my $f, "<:raw", $_ or die "$_: $!"; scalar <$f> } @src;
  open my $l, "<", $ARGV[1] or die; my $i = 0;
  while (my $name = <$l>) { chomp $name; open my $o, ">:raw", $name or die "$name: $!";
    print $o $data[$i++ % @data]; close $o }' "$work/sources" "$work/files"
sizes=$(stat -c %s "${files[@]}" | sort -n | uniq -c | awk '{printf "%s%d x %d B", sep, $1, $2; sep=", "}')
echo "decoding $count files in one call ($sizes; ${#sources[@]} distinct images)"

best=""
for run in 1 2 3; do
  start=$(date +%s.%N)
  "$cli" decode --json "${files[@]}" > "$work/out.jsonl" || true
  end=$(date +%s.%N)
  seconds=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.4f", e - s }')
  echo "run $run: $seconds s"
  if [ -z "$best" ] || awk -v a="$seconds" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$seconds; fi
done

lines=$(wc -l < "$work/out.jsonl")
printf '%s\n' "${files[@]}" > "$work/expected"
sed -E 's/^\{"file":"([^"]*)".*/\1/' "$work/out.jsonl" > "$work/got"
status=0
if [ "$lines" -ne "$count" ]; then
  echo "FAIL: $lines lines for $count files"
  status=1
elif ! cmp -s "$work/expected" "$work/got"; then
  echo "FAIL: the records are not in argument order (first difference below)"
  diff "$work/expected" "$work/got" | head -n 4
  status=1
else
  echo "output: $lines lines, one per file, in argument order"
fi
awk -v t="$best" -v n="$count" \
  'BEGIN { r = n / t; printf "best of 3: %.3f s, %.0f files/s (target 60000: %s)\n", t, r, (r >= 60000) ? "met" : "NOT met" }'
exit $status
