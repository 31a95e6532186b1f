#!/usr/bin/env bash
# The command line on large files, each beside its reference, the two run in turn (medians of
# RUNS runs each, 31 by default: runs of a few milliseconds on a shared machine need that many
# for a steady median): chunks --json against check on a file of 20,000 chunks, compact against
# cp of the same file (that file, with 2,000 free chunks, and a 64 MiB file half free space), and
# apply of one edit, which compacts on close, against cp. Then memory: the peak resident size of
# strings --all-languages on a table of 32,767 strings against the size of what it prints, and of
# apply with 200,000 edits against the size of the document it reads.
# Usage: [RUNS=N] bench/big_files.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build}
cli=${TAVIMET_CLI:-$build/src/cli/tavimet-cli}
gen="$build/bench/resource/tavimet_bigfiles"
for tool in "$cli" "$gen"; do
    [ -x "$tool" ] || { echo "no $tool: build first (scripts/build $build)" >&2; exit 1; }
done
base=/tmp
[ -d /dev/shm ] && base=/dev/shm
dir=$(mktemp -d "$base/tavimet-big-XXXXXX")
trap 'rm -rf "$dir"' EXIT
"$gen" "$dir"
printf '{"entries":[{"index":0,"flags":1}]}\n' >"$dir/edit.json"

calc() { awk "BEGIN { printf \"%.6f\", $1 }"; }
runs=${RUNS:-31}
# One run of command (a shell word list) in milliseconds; before (if given) runs untimed first.
once() {
    local before=$1 s e
    [ -n "$before" ] && eval "$before"
    s=$EPOCHREALTIME
    eval "$2" >/dev/null 2>&1
    e=$EPOCHREALTIME
    calc "($e - $s) * 1000"
}
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# Runs a command and its reference in turn, $runs times each, so that a busy spell of a shared
# machine slows both alike; sets A and B to their medians in milliseconds.
in_turn() {
    local ta=() tb=()
    for ((i = 0; i < runs; i++)); do
        ta+=("$(once "$1" "$2")")
        tb+=("$(once "$3" "$4")")
    done
    A=$(median "${ta[@]}")
    B=$(median "${tb[@]}")
}
row() { printf '  %-44s %9.1f ms   %-24s %9.1f ms   %5.2fx\n' "$1" "$2" "$3" "$4" "$(calc "$2 / $4")"; }

many="$dir/chunks20k.iff"
half="$dir/halffree.iff"
work="$dir/work.iff"
printf 'files: %s (%d bytes), %s (%d bytes); %s cores; medians of %d runs\n' "${many##*/}" \
    "$(stat -c %s "$many")" "${half##*/}" "$(stat -c %s "$half")" "$(nproc)" "$runs"
in_turn "" "'$cli' chunks '$many' --json" "" "'$cli' check '$many'"
row "chunks --json, 20,000 chunks" "$A" "check" "$B"
in_turn "cp '$many' '$work'" "'$cli' compact '$work'" "rm -f '$work'" "cp '$many' '$work'"
row "compact, 20,000 chunks (2,000 free)" "$A" "cp" "$B"
in_turn "cp '$many' '$work'" "'$cli' apply '$work' '$dir/edit.json'" "rm -f '$work'" \
    "cp '$many' '$work'"
row "apply one edit, 20,000 chunks (2,000 free)" "$A" "cp" "$B"
in_turn "cp '$half' '$work'" "'$cli' compact '$work'" "rm -f '$work'" "cp '$half' '$work'"
row "compact, 64 MiB half free" "$A" "cp" "$B"

# Peak resident size in KiB of a command (its output to file out, if given).
peak_kib() {
    local out=$1
    shift
    /usr/bin/time -f %M -o "$dir/rss" "$@" >"${out:-/dev/null}" 2>/dev/null
    cat "$dir/rss"
}
mem_row() {
    printf '  %-44s %9.1f MB   %-24s %9.1f MB   %5.2fx\n' "$1" "$(calc "$2 / 1024")" "$3" \
        "$(calc "$4 / 1048576")" "$(calc "$2 * 1024 / $4")"
}
if [ -x /usr/bin/time ]; then
    strings_rss=$(peak_kib "$dir/strings.json" "$cli" strings "$dir/strings.iff" --type 'STR#' \
        --id 128 --all-languages --json)
    mem_row "strings --all-languages, 32,767 strings" "$strings_rss" "its output" \
        "$(stat -c %s "$dir/strings.json")"
    cp "$dir/object.iff" "$work"
    apply_rss=$(peak_kib "" "$cli" apply "$work" "$dir/edits.json")
    mem_row "apply, 200,000 edits" "$apply_rss" "the edits read" "$(stat -c %s "$dir/edits.json")"
else
    echo "no /usr/bin/time: memory not measured" >&2
fi
