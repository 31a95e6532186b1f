#!/usr/bin/env bash
# tests/packaging/zip_test.sh ZIP VERSION: checks the Windows zip made by scripts/package: its
# name and files, programs that need no DLL beyond Windows' own, and tavimet-cli.exe run from the
# unpacked folder under Wine.
set -uo pipefail
zip="$1" version="$2"
here="$(cd "$(dirname "$0")" && pwd)"
failed=0
expect() {
  if [ "$2" = "$3" ]; then echo "ok - $1"; else echo "FAILED - $1: '$2', expected '$3'"; failed=1; fi
}
name="tavimet-$version-win64"
expect "file name" "$(basename "$zip")" "$name.zip"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
unzip -q "$zip" -d "$dir" || { echo "FAILED - unzip"; exit 1; }
expect "one folder" "$(cd "$dir" && ls)" "$name"
files="$(cd "$dir/$name" && ls | tr '\n' ' ')"
case "$files" in
  "README.txt tavimet-cli.exe " | "README.txt tavimet-cli.exe tavimet.exe ") echo "ok - files: $files" ;;
  *) echo "FAILED - files: $files"; failed=1 ;;
esac
grep -q "^Tavimet $version for 64-bit Windows" "$dir/$name/README.txt" && echo "ok - README.txt" ||
  { echo "FAILED - README.txt"; failed=1; }
for exe in "$dir/$name"/*.exe; do
  dlls="$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\tDLL Name: //p' | tr 'A-Z' 'a-z')"
  other="$(grep -Ev '^(kernel32|user32|gdi32|advapi32|ws2_32|msvcrt|shell32|comdlg32|comctl32|ole32|oleaut32|uuid|shlwapi|version|api-ms-win-.*)\.dll$' <<<"$dlls")"
  expect "$(basename "$exe") needs only Windows' own DLLs" "$other" ""
done
cd "$dir/$name"
help="$("$here/../../scripts/wine-run" tavimet-cli.exe --help 2>&1)"
status=$?
expect "tavimet-cli.exe --help exits 0" "$status" 0
grep -q "Subcommands:" <<<"$help" && echo "ok - --help lists the subcommands" ||
  { echo "FAILED - --help: $help"; failed=1; }
expect "tavimet-cli.exe --version" "$("$here/../../scripts/wine-run" tavimet-cli.exe --version)" \
  "tavimet-cli $version"
exit "$failed"
