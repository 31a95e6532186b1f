#!/usr/bin/env bash
# The command line on large files, each beside its reference measured in the same run (median of
# three runs each): chunks --json against check on a file of 20,000 chunks, compact against cp of
# the same file (that file, with 2,000 free chunks, and a 64 MiB file half free space), and apply
# of one edit, which compacts on close, against cp. Then memory: the peak resident size of
# strings --all-languages on a table of 32,767 strings against the size of what it prints, and of
# apply with 200,000 edits against the size of the document it reads.
# Usage: bench/big_files.sh [BUILD_DIR]
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
# Median of three runs in milliseconds; before (if given) runs untimed ahead of each run.
median3() {
    local before=$1 t=() s e
    shift
    for _ in 1 2 3; do
        [ -n "$before" ] && eval "$before"
        s=$EPOCHREALTIME
        "$@" >/dev/null 2>&1
        e=$EPOCHREALTIME
        t+=("$(calc "($e - $s) * 1000")")
    done
    printf '%s\n' "${t[@]}" | sort -g | sed -n 2p
}
row() { printf '  %-44s %9.1f ms   %-24s %9.1f ms   %5.2fx\n' "$1" "$2" "$3" "$4" "$(calc "$2 / $4")"; }

many="$dir/chunks20k.iff"
half="$dir/halffree.iff"
work="$dir/work.iff"
printf 'files: %s (%d bytes), %s (%d bytes); %s cores\n' "${many##*/}" "$(stat -c %s "$many")" \
    "${half##*/}" "$(stat -c %s "$half")" "$(nproc)"
check=$(median3 "" "$cli" check "$many")
chunks=$(median3 "" "$cli" chunks "$many" --json)
row "chunks --json, 20,000 chunks" "$chunks" "check" "$check"
cp_many=$(median3 "rm -f '$work'" cp "$many" "$work")
compact_many=$(median3 "cp '$many' '$work'" "$cli" compact "$work")
row "compact, 20,000 chunks (2,000 free)" "$compact_many" "cp" "$cp_many"
apply_many=$(median3 "cp '$many' '$work'" "$cli" apply "$work" "$dir/edit.json")
row "apply one edit, 20,000 chunks (2,000 free)" "$apply_many" "cp" "$cp_many"
cp_half=$(median3 "rm -f '$work'" cp "$half" "$work")
compact_half=$(median3 "cp '$half' '$work'" "$cli" compact "$work")
row "compact, 64 MiB half free" "$compact_half" "cp" "$cp_half"

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
