#!/usr/bin/env bash
# packaging/manpage.sh PROGRAM OUT NAME [INCLUDE]: writes the manual page OUT (gzip-compressed
# when OUT ends in .gz) with help2man from PROGRAM --help and PROGRAM --version, NAME being the
# one-line description. INCLUDE adds help2man sections of its own. A program with subcommands
# (the "Subcommands:" list of its help) gets a COMMANDS section holding each subcommand's own
# --help, at any depth, so that the page says what the program says.
set -euo pipefail
prog="$1" out="$2" name="$3" include="${4:-}"
export LC_ALL=C
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

subcommands() { "$prog" "$@" --help | awk '/^Subcommands:/ {on = 1; next} on && /^$/ {on = 0} on && /^  [a-z]/ {print $1}'; }
# Help text as roff, kept as it is printed.
verbatim() { sed -e 's/\\/\\e/g' -e "s/^\\([.']\\)/\\\\\\&\\1/"; }
walk() {
  local sub
  for sub in $(subcommands "$@"); do
    printf '.SS "%s"\n.nf\n' "$(basename "$prog") ${*:+$* }$sub"
    "$prog" "$@" "$sub" --help | verbatim
    printf '.fi\n'
    walk "$@" "$sub"
  done
}

: >"$work/include.h2m"
commands="$(walk)"
if [ -n "$commands" ]; then
  printf '[COMMANDS]\n%s\n' "$commands" >>"$work/include.h2m"
fi
[ -n "$include" ] && cat "$include" >>"$work/include.h2m"

help2man --no-info --name="$name" --include="$work/include.h2m" --output="$work/page" "$prog"
case "$out" in
  *.gz) gzip -9n <"$work/page" >"$out.tmp" ;;
  *) cp "$work/page" "$out.tmp" ;;
esac
mv "$out.tmp" "$out"
