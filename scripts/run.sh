#!/usr/bin/env bash
# Sets everything up, builds, and starts the programmer simulator and the
# workstation wired to it, with a sample DDR2 image open. The workstation keeps
# its settings in build/demo/settings.ini (port 1 names the simulator's
# device; the operator password is "tessaro"), so the operator's own settings
# are left alone. Files named on the command line open instead of the sample.
# Without a display (no DISPLAY / WAYLAND_DISPLAY) it shows the workstation on
# a virtual screen instead and saves pictures of it in build/screens.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
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
mkdir -p "$demo"
"$here/build/tools/sim/tessaro-programmer-sim" --module "$sample" --version 11 --fail open --fail-pins 3,17 \
  --log "$demo/frames.log" > "$demo/sim.out" &
sim_pid=$!
trap 'kill "$sim_pid" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  [[ -s "$demo/sim.out" ]] && break
  sleep 0.1
done
device=$(head -n 1 "$demo/sim.out")
echo "programmer simulator on $device (frames logged in $demo/frames.log)"
cat > "$demo/settings.ini" <<INI
[Settings]
CommPort=1
Com1Device=$device

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
