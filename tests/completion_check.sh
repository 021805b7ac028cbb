#!/usr/bin/env bash
# Drives the bash completion of tessaro-cli as bash would: the commands it
# offers are those of --help, option values and files are offered by kind.
# Skips (exit 77) when bash-completion is not installed.
# usage: completion_check.sh TESSARO_CLI COMPLETION_FILE
cli=$1
script=$2
framework=/usr/share/bash-completion/bash_completion
[ -r "$framework" ] || { echo "bash-completion is not installed"; exit 77; }
# shellcheck disable=SC1090
source "$framework"
source "$script"
status=0

# complete WORD...: the candidates for the last word, sorted, on one line.
complete_words()
{
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMP_LINE="${COMP_WORDS[*]}"
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  _tessaro_cli tessaro-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ' | sed 's/ $//'
}
expect()
{
  local want=$1
  shift
  local got
  got=$(complete_words "$@")
  [ "$got" = "$want" ] || { echo "completing \"$*\": got \"$got\", want \"$want\""; status=1; }
}

# The commands offered first are exactly the commands --help lists.
help_commands=$("$cli" --help | sed -n '/^commands:/,/^$/p' | grep -oE '^  [a-z][a-z-]*' | tr -d ' ' | sort | tr '\n' ' ')
offered=$(complete_words tessaro-cli "" | tr ' ' '\n' | grep -v -e '^--' -e '^help$' | tr '\n' ' ')
[ "$offered" = "$help_commands" ] || { echo "commands offered \"$offered\", --help lists \"$help_commands\""; status=1; }

expect "decode" tessaro-cli dec
expect "auto binary dump text" tessaro-cli decode --input-format ""
expect "auto checksum crc" tessaro-cli fix --mode ""
expect "--help --items --pdf" tessaro-cli report x.spd --
expect "erase" tessaro-cli device --port /dev/ttyS0 er
expect "compare copy" tessaro-cli device --port /dev/ttyS0 tester co
expect "disable enable" tessaro-cli device --port /dev/ttyS0 switch power ""
expect "fail ok" tessaro-cli log --result ""
expect "info protect read verify write" tessaro-cli spdrw --port /dev/ttyUSB0 --address 0x50 ""
expect "clear set status" tessaro-cli spdrw --port /dev/ttyUSB0 protect ""
expect "tRC= tRCD=" tessaro-cli set a.bin tRC
expect "add" tessaro-cli profile a.bin -o b.bin ad
expect "expo xmp" tessaro-cli profile a.bin add ""
expect "jedec" tessaro-cli profile a.bin add xmp --from ""

# Files by suffix: images for decode, PDFs after --pdf, folders after --save.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
touch a.spd b.BIN c.pdf d.conf
mkdir e
expect "a.spd b.BIN e" tessaro-cli decode ""
expect "c.pdf e" tessaro-cli report a.spd --pdf ""
expect "e" tessaro-cli installed --save ""
exit $status
