#!/usr/bin/env bash
# Sets everything up, builds, and starts the workstation. Files named on the
# command line open after start-up; "--settings FILE" keeps the settings in
# FILE instead of the user's own store.
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

if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
  if [[ $# -eq 0 ]]; then
    set -- "$sample"
  fi
  exec "$here/build/src/tessaro" "$@"
fi
echo "no display: showing the workstation on a virtual screen; pictures go to $here/build/screens"
xvfb-run -a -s "-screen 0 1600x1000x24" "$here/build/tools/tessaro-screens" "$here/build/screens" "$sample" "$@"
xvfb-run -a -s "-screen 0 1600x1000x24" "$here/build/tools/tessaro-screens" "$here/build/screens" --dialogs
