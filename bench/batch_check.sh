#!/usr/bin/env bash
# check of many object files in one run, against one process per file and against cat of the
# same files, all measured in this one run. Usage: bench/batch_check.sh [BUILD_DIR] [COUNT]
# (defaults: build, 5000). Files are written to a temporary directory under /dev/shm (or /tmp).
set -euo pipefail
build=${1:-build}
count=${2:-5000}
cli="$build/src/cli/tavimet-cli"
[ -x "$cli" ] || { echo "no $cli: build first (scripts/build $build)" >&2; exit 1; }
base=/tmp
[ -d /dev/shm ] && base=/dev/shm
dir=$(mktemp -d "$base/tavimet-batch-XXXXXX")
trap 'rm -rf "$dir"' EXIT

"$cli" demo "$dir/demo" >/dev/null
mkdir "$dir/objects"
for ((i = 0; i < count; ++i)); do
    printf -v name '%s/objects/obj%05d.iff' "$dir" "$i"
    cp "$dir/demo/sample.iff" "$name"
done
files=("$dir"/objects/*.iff)

now() { echo "$EPOCHREALTIME"; }
calc() { awk "BEGIN { printf \"%.6f\", $1 }"; }
# Median of three runs of a command, in seconds.
median3() {
    local t=() s e
    for _ in 1 2 3; do
        s=$(now)
        "$@" >/dev/null
        e=$(now)
        t+=("$(calc "$e - $s")")
    done
    printf '%s\n' "${t[@]}" | sort -g | sed -n 2p
}
one_run() { "$cli" check -r "$dir/objects"; }
cat_all() { cat "${files[@]}"; }
per_file() { for f in "${files[@]}"; do "$cli" check "$f" >/dev/null; done; }

one_run >/dev/null || { echo "check -r found problems in the copies" >&2; exit 1; }
cat_all >/dev/null # warm the page cache
batch=$(median3 one_run)
catted=$(median3 cat_all)
s=$(now)
per_file
e=$(now)
separate=$(calc "$e - $s")

size=$(stat -c %s "$dir/demo/sample.iff")
printf 'check of %d copies of the demo object (%d bytes each), %s cores\n' "$count" "$size" "$(nproc)"
printf '  check -r, one run:        %8.3f s (median of 3)\n' "$batch"
printf '  one process per file:     %8.3f s (once)  -> one run is %.1fx faster (target >= 5x)\n' \
    "$separate" "$(calc "$separate / $batch")"
printf '  cat of the same files:    %8.3f s (median of 3) -> one run takes %.2fx cat (target <= 2x)\n' \
    "$catted" "$(calc "$batch / $catted")"
