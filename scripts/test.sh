#!/usr/bin/env bash
# Sets everything up and runs every test: the suite (with the fuzz-corpus
# replayers) under AddressSanitizer + UndefinedBehaviorSanitizer, each libFuzzer
# target for a bounded time, and finally the suite of the Release build, whose
# ctest summary is the last thing printed; the Debian package is made from that
# Release build and checked just before its tests. Warnings are errors in every build.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
fuzz_seconds=${TESSARO_FUZZ_SECONDS:-10}

bash "$here/scripts/setup-deps.sh"

echo "== build (sanitizers)"
bash "$here/scripts/build.sh" "$here/build-asan" -DTESSARO_WERROR=ON -DCMAKE_BUILD_TYPE=Debug -DTESSARO_SANITIZE=ON -DTESSARO_BUILD_BENCH=OFF
echo "== tests (sanitizers)"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$here/build-asan" --output-on-failure --timeout 300 -j "$(nproc)" > "$here/build-asan.ctest.log" 2>&1 ||
  { cat "$here/build-asan.ctest.log"; exit 1; }
tail -n 3 "$here/build-asan.ctest.log"

echo "== fuzzers (${fuzz_seconds} s each)"
CC=clang CXX=clang++ bash "$here/scripts/build.sh" "$here/build-fuzz" -DTESSARO_WERROR=ON \
  -DTESSARO_BUILD_FUZZ=ON -DTESSARO_BUILD_TESTS=OFF -DTESSARO_BUILD_BENCH=OFF -DTESSARO_BUILD_APP=OFF
for target in text_reader binary_reader hexpair decode replies hexdump image_text module_decode spdrw_replies value_edit; do
  work=$(mktemp -d)
  if ! "$here/build-fuzz/fuzz/fuzz_$target" -max_total_time="$fuzz_seconds" -print_final_stats=1 \
       -artifact_prefix="$here/build-fuzz/crash-$target-" "$work" "$here/fuzz/corpus/$target" \
       > "$here/build-fuzz/fuzz-$target.log" 2>&1; then
    tail -n 40 "$here/build-fuzz/fuzz-$target.log"
    echo "fuzzer $target failed"
    exit 1
  fi
  echo "fuzz_$target: $(grep -E '^stat::number_of_executed_units' "$here/build-fuzz/fuzz-$target.log" | awk '{print $2}') runs, no crash"
  rm -rf "$work"
done

echo "== build (Release)"
bash "$here/scripts/build.sh" "$here/build-release" -DTESSARO_WERROR=ON -DCMAKE_BUILD_TYPE=Release
echo "== package (Release)"
bash "$here/scripts/package.sh" "$here/build-release"
echo "== tests (Release)"
ctest --test-dir "$here/build-release" --output-on-failure --timeout 300 -j "$(nproc)"
