#!/usr/bin/env bash
# Checks a manual page against the program's --help text so the two cannot
# drift apart: both name the same set of long options, and with --commands
# every command of the help's "commands:" list is a tagged paragraph of the
# page. The page's .TH line must carry the version the program prints.
# usage: manpage_check.sh PROGRAM PAGE [--commands]
set -euo pipefail
program=$1
page=$2
help=$("$program" --help)
version=$("$program" --version)
# The page without its examples (which may show other programs' options).
text=$(awk '/^\.SH/ { skip = ($2 ~ /^EXAMPLES?$/) } !skip' "$page" | sed 's/\\-/-/g; s/\\f[BIRP]//g')
status=0

options_of() { grep -oE -- '--[a-z][a-z0-9-]*' | sort -u; }
missing=$(comm -23 <(options_of <<<"$help") <(options_of <<<"$text"))
extra=$(comm -13 <(options_of <<<"$help") <(options_of <<<"$text"))
if [ -n "$missing" ]; then echo "$page lacks options of --help: $missing"; status=1; fi
if [ -n "$extra" ]; then echo "$page names options --help does not: $extra"; status=1; fi

if [ "${3:-}" = --commands ]; then
  commands=$(sed -n '/^commands:/,/^$/p' <<<"$help" | grep -oE '^  [a-z][a-z-]*' | tr -d ' ')
  [ -n "$commands" ] || { echo "no commands found in --help"; exit 1; }
  for c in $commands; do
    grep -qE "^\.BR? $c( |$)" <<<"$text" || { echo "$page does not describe the command $c"; status=1; }
  done
fi

# "tessaro-cli 1.1.0": the page (as the build fills it in) is for 1.1.0.
number=${version##* }
grep -qE "^\.TH .*\"TESSARO $number\"" "$page" ||
  { echo "$page: .TH does not carry version $number"; status=1; }
exit $status
