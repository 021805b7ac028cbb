#!/usr/bin/env bash
# Sets everything up, builds, and starts the programmer simulator and the
# workstation wired to it, with a sample DDR2 image open. The workstation keeps
# its settings in build/demo/settings.ini (port 1 names the simulator's
# device; the operator password is "tessaro"), so the operator's own settings
# are left alone. Files named on the command line open instead of the sample.
# Without a display (no DISPLAY / WAYLAND_DISPLAY) it shows the workstation on
# a virtual screen instead and saves pictures of it in build/screens.
# With --spdrw first it also starts the open SPD reader/writer's simulator
# (a DDR4 module at 0x50 with blocks 0 and 1 protected, a DDR5 module at 0x51;
# real images from the shared corpus when it is there) and prints how to drive
# it with "tessaro-cli spdrw".
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
spdrw=false
if [[ ${1:-} == --spdrw ]]; then
  spdrw=true
  shift
fi
bash "$here/scripts/setup-deps.sh"
bash "$here/scripts/build.sh" "$here/build" -DTESSARO_BUILD_BENCH=OFF -DTESSARO_BUILD_TESTS=OFF

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
"$here/build/tools/cli/tessaro-cli" fix "$sample"

# The programmer simulator: the sample is the module in its socket, and the
# next module test reports an open circuit on DQ3 and DQ17.
demo="$here/build/demo"
# The first line a simulator prints (its device), waiting up to 5 s for it.
first_line() {
  for _ in $(seq 50); do
    [[ -s "$1" ]] && break
    sleep 0.1
  done
  head -n 1 "$1"
}
mkdir -p "$demo"
"$here/build/tools/sim/tessaro-programmer-sim" --module "$sample" --version 11 --fail open --fail-pins 3,17 \
  --log "$demo/frames.log" > "$demo/sim.out" &
sim_pid=$!
trap 'kill "$sim_pid" 2>/dev/null || true' EXIT
device=$(first_line "$demo/sim.out")
echo "programmer simulator on $device (frames logged in $demo/frames.log)"

if $spdrw; then
  cli="$here/build/tools/cli/tessaro-cli"
  # An image of SIZE bytes with bytes 0 and 2 set and its CRC blocks right.
  make_image() {
    head -c "$1" /dev/zero > "$4"
    printf "\\x$2\\x00\\x$3" | dd of="$4" conv=notrunc status=none
    "$cli" fix "$4" > /dev/null
  }
  corpus="$here/../shared/corpus"
  ddr4=$(ls "$corpus"/ddr4/*.bin 2>/dev/null | head -n 1 || true)
  ddr5=$(ls "$corpus"/ddr5/*.bin 2>/dev/null | head -n 1 || true)
  if [[ -z $ddr4 ]]; then ddr4="$demo/ddr4.bin"; make_image 512 23 0C "$ddr4"; fi
  if [[ -z $ddr5 ]]; then ddr5="$demo/ddr5.bin"; make_image 1024 30 12 "$ddr5"; fi
  mkdir -p "$demo/spdrw-modules"
  "$here/build/tools/spdrwsim/tessaro-spdrw-sim" --module "0x50=$ddr4" --protect 0x50=0,1 --module "0x51=$ddr5" \
    --name demo --log "$demo/spdrw.log" --save "$demo/spdrw-modules" > "$demo/spdrw.out" &
  spdrw_pid=$!
  trap 'kill "$sim_pid" "$spdrw_pid" 2>/dev/null || true' EXIT
  spdrw_device=$(first_line "$demo/spdrw.out")
  echo "SPD reader/writer simulator on $spdrw_device (commands logged in $demo/spdrw.log), for example:"
  echo "  $cli spdrw --port $spdrw_device info"
  echo "  $cli spdrw --port $spdrw_device --address 0x50 read -o /tmp/module.bin"
fi
spdrw_settings=""
if $spdrw; then
  spdrw_settings="Com2Device=$spdrw_device
Com2Kind=spdrw"
fi
cat > "$demo/settings.ini" <<INI
[Settings]
CommPort=1
Com1Device=$device
$spdrw_settings

[History]
PASS1=QX527
PASS2=tessaro
INI

if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
  if [[ $# -eq 0 ]]; then
    set -- "$sample"
  fi
  echo "operator password: tessaro"
  "$here/build/src/tessaro" --settings "$demo/settings.ini" "$@"
  exit 0
fi
echo "no display: showing the workstation on a virtual screen; pictures go to $here/build/screens"
xvfb-run -a -s "-screen 0 1600x1000x24" "$here/build/tools/tessaro-screens" "$here/build/screens" \
  --device "$device" "$sample" "$@"
xvfb-run -a -s "-screen 0 1600x1000x24" "$here/build/tools/tessaro-screens" "$here/build/screens" --dialogs
