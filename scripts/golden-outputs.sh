#!/usr/bin/env bash
# Writes every output of tessaro-cli that scripts depend on into one folder, so
# that two builds can be compared byte for byte (a change that should not alter
# behaviour must leave `diff -r` silent):
#   decode (listing and --json), report (texts and --items), fix and convert
#   of every image of the shared corpus; a fixed set of wizard runs; the device
#   commands against the programmer simulator.
# usage: scripts/golden-outputs.sh BUILD_DIR OUT_DIR [CORPUS_DIR]
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
out=$2
corpus=${3:-$here/../shared/corpus}
cli="$build/tools/cli/tessaro-cli"
sim="$build/tools/sim/tessaro-programmer-sim"
mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$(mktemp -d)
sim_pid=
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# Runs a command and records its stdout, stderr and exit status under a name.
record() {
  local name=$1
  shift
  "$@" > "$out/$name.out" 2> "$out/$name.err"
  echo $? > "$out/$name.status"
  sed -i "s|$work|WORK|g" "$out/$name.out" "$out/$name.err"
}

# The corpus, by relative names so that the outputs do not depend on where it lives.
if [ -d "$corpus" ]; then
  cd "$corpus"
  mapfile -t images < <(find . -type f \( -name '*.bin' -o -name '*.spd' \) | sed 's|^\./||' | LC_ALL=C sort)
  record decode-json "$cli" decode --json "${images[@]}"
  for image in "${images[@]}"; do
    key=${image//\//_}
    record "decode_$key" "$cli" decode "$image"
    record "report_$key" "$cli" report "$image"
    record "items_$key" "$cli" report "$image" --items
    input="$work/$(basename "$image")"
    cp "$image" "$input"
    record "fix_$key" "$cli" fix "$input" -o "$work/fixed.bin"
    [ -f "$work/fixed.bin" ] && od -An -tx1 -v "$work/fixed.bin" > "$out/fix_$key.bytes"
    record "convert_$key" "$cli" convert "$image" "$work/converted.spd"
    [ -f "$work/converted.spd" ] && cp "$work/converted.spd" "$out/convert_$key.spd"
    rm -f "$work/fixed.bin" "$work/converted.spd" "$input"
  done
  cd - > /dev/null
else
  echo "golden-outputs: no corpus at $corpus; corpus outputs skipped" >&2
fi

# Wizard runs: every generation and speed, and a spread of the other choices.
n=0
wizard() {
  n=$((n + 1))
  record "wizard_$n" "$cli" wizard "$@" --print-params -o "$work/wizard.bin"
  [ -f "$work/wizard.bin" ] && od -An -tx1 -v "$work/wizard.bin" > "$out/wizard_$n.bytes"
  rm -f "$work/wizard.bin"
}
for speed in 66 100 133 166; do wizard --type sdr --speed $speed; done
for speed in 200 266 333 400; do wizard --type ddr --speed $speed --width x8; done
for speed in 400 533 667 800; do wizard --type ddr2 --speed $speed --sides double; done
for speed in 800 1066 1333 1600; do wizard --type ddr3 --speed $speed --ecc; done
wizard --type ddr --speed 333 --width x4 --size 256Mb --sides double --ecc --tcl 2.5T --jedec 7F7F9E --part TESSARO-TEST
wizard --type ddr2 --speed 667 --width x16 --size 64Mb --trp 5 --trcd 5 --tras 15
wizard --type ddr3 --speed 1333 --width x16 --size 128Mb --sides double
wizard --type ddr3 --speed 9999

# Device commands against the simulator (replies at once).
module="$work/module.bin"
"$cli" wizard --type ddr2 --speed 800 -o "$module" > /dev/null
"$sim" --fast --module "$module" --link "$work/tty" --fail-pins 3,17 --test-delay 100 > "$work/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 50); do [ -e "$work/tty" ] && break; sleep 0.1; done
port="$work/tty"
device() {
  local name=$1
  shift
  record "device_$name" "$cli" device --port "$port" "$@"
}
device status status
device program program "$module"
device verify verify "$module"
device read-programmer read-programmer -o "$work/p.bin"
device read-module read-module -o "$work/m.spd"
[ -f "$work/m.spd" ] && cp "$work/m.spd" "$out/device_read-module.spd"
device auto-serial auto-serial on
for word in read copy compare learn test; do device "tester-$word" tester "$word"; done
device poll poll --count 2
device switch-open switch open disable
device erase erase
device verify-after-erase verify "$module"
kill "$sim_pid" 2>/dev/null
wait "$sim_pid" 2>/dev/null
sim_pid=
record device_no-port "$cli" device --port "$work/none" status
echo "golden-outputs: $(find "$out" -type f | wc -l) files in $out"
