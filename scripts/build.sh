#!/usr/bin/env bash
# Configures and builds one build tree.
# usage: scripts/build.sh DIR [cmake options...]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
dir=$1
shift
cmake -S "$here" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" > "$dir.configure.log" 2>&1 ||
  { cat "$dir.configure.log"; exit 1; }
cmake --build "$dir" -j "$(nproc)"
