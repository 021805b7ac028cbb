#!/usr/bin/env bash
# A Markdown table of every corpus image (except bad/): our module summary
# beside what decode-dimms (i2c-tools) reads from the same bytes.
# Our side comes from `tessaro-cli decode --json` (its "summary" key).
# decode-dimms runs with -c, so that images whose checksum fails are decoded too.
# usage: bench/summary_vs_decode_dimms.sh BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?usage: bench/summary_vs_decode_dimms.sh BUILD_DIR}
corpus=${TESSARO_CORPUS:-$here/../shared/corpus}
[ -d "$corpus" ] || corpus=/work/shared/corpus
command -v decode-dimms > /dev/null || { echo "decode-dimms not installed (package i2c-tools)"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

images=()
for f in "$corpus"/*/*.bin; do
  case "$f" in */bad/*) continue ;; esac
  images+=("$f")
done
[ ${#images[@]} -gt 0 ] || { echo "no corpus images under $corpus"; exit 1; }

"$build/tools/cli/tessaro-cli" decode --json "${images[@]}" > "$work/ours.jsonl" 2> /dev/null || true
for f in "${images[@]}"; do
  hexdump -C "$f" > "$work/dump.txt"
  echo "=== $f"
  decode-dimms -c -x "$work/dump.txt" 2>&1 || true
done > "$work/theirs.txt"

python3 - "$work/ours.jsonl" "$work/theirs.txt" "$corpus" <<'PY'
import json, os, re, sys

ours = {}
for line in open(sys.argv[1]):
    record = json.loads(line)
    ours[record["file"]] = record.get("summary") or {}

theirs, current = {}, None
for line in open(sys.argv[2], errors="replace"):
    if line.startswith("=== "):
        current = line[4:].strip()
        theirs[current] = {}
        continue
    m = re.match(r"^(\S.*?)\s{2,}(.*?)\s*$", line)
    if current and m and m.group(1) not in theirs[current]:
        theirs[current][m.group(1)] = m.group(2)

def ours_cells(s):
    maker = s.get("manufacturer")
    size = s.get("capacityMB")
    return [f"{size} MB" if size is not None else "—", s.get("speedName") or "—",
            s.get("organisation") or "—", maker["name"] if maker else "—", s.get("partNumber") or "—"]

def theirs_cells(t):
    ranks = t.get("Ranks") or t.get("Number of Module Rows")
    width = (t.get("SDRAM Device Width") or t.get("Primary SDRAM Component Widths")
             or t.get("Primary SDRAM Component Width"))
    return [t.get("Size", "—"), t.get("Maximum module speed", "—"), f"{ranks or '—'} × {width or '—'}",
            t.get("Module Manufacturer") or t.get("Manufacturer", "—"), (t.get("Part Number") or "—").strip()]

print("| image | our size | our speed | our organisation | our manufacturer | our part | "
      "dd Size | dd Maximum module speed | dd Ranks × width | dd Module Manufacturer | dd Part Number |")
print("|" + "---|" * 11)
for file in ours:
    name = os.path.relpath(file, sys.argv[3])
    print("| " + " | ".join([name] + ours_cells(ours[file]) + theirs_cells(theirs.get(file, {}))) + " |")
PY
