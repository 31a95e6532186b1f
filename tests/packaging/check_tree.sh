#!/usr/bin/env bash
# tests/packaging/check_tree.sh PREFIX VERSION: checks an installed tree (a `cmake --install`
# prefix, or usr/ of the extracted Debian package) and runs the programs in it: both programs
# with --version, the editor's --help and its start without a display, the command line's demo
# and check; the desktop entry and the AppStream metadata through their validators; the icons;
# the manual pages against the programs' own help.
set -uo pipefail
prefix="$1" version="$2"
passed=0 failed=0
ok() { passed=$((passed + 1)); echo "ok - $1"; }
bad() { failed=$((failed + 1)); echo "FAILED - $1"; }
check() { local what="$1"; shift; if "$@"; then ok "$what"; else bad "$what"; fi; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"

gui="$prefix/bin/tavimet" cli="$prefix/bin/tavimet-cli"
check "bin/tavimet is a program" test -x "$gui"
check "bin/tavimet-cli is a program" test -x "$cli"

# --version: the name and project()'s version, exit 0, no display needed.
check "tavimet-cli --version" test "$("$cli" --version)" = "tavimet-cli $version"
check "tavimet --version without a display" \
  test "$(env -u DISPLAY -u WAYLAND_DISPLAY "$gui" --version)" = "tavimet $version"
help="$(env -u DISPLAY -u WAYLAND_DISPLAY "$gui" --help 2>"$work/help.err")"
check "tavimet --help without a display" test $? -eq 0 -a ! -s "$work/help.err"
check "tavimet --help says how to use it" grep -q '^Usage: tavimet \[OBJECT.iff\]' <<<"$help"

# Without a display: one line on standard error, nothing else, exit 1.
no_display() {
  local rc
  "$@" >"$work/out" 2>"$work/err"
  rc=$?
  [ "$rc" -eq 1 ] || { echo "  exit $rc" >&2; return 1; }
  [ ! -s "$work/out" ] || { echo "  standard output: $(cat "$work/out")" >&2; return 1; }
  [ "$(wc -l <"$work/err")" -eq 1 ] || { echo "  standard error:" >&2; cat "$work/err" >&2; return 1; }
  grep -q '^tavimet: cannot open a window' "$work/err"
}
check "tavimet without a display: exit 1, one line" \
  no_display env -u DISPLAY -u WAYLAND_DISPLAY "$gui" "$work/none.iff"
check "tavimet with an unreachable display: exit 1, one line" \
  no_display env -u WAYLAND_DISPLAY DISPLAY=:4093 "$gui"

# The command line works from the tree.
check "tavimet-cli demo" "$cli" demo "$work/demo" >/dev/null
check "tavimet-cli check on the demo" "$cli" check "$work/demo/sample.iff" >/dev/null

# Desktop entry and AppStream metadata.
desktop=("$prefix"/share/applications/*.desktop)
metainfo=("$prefix"/share/metainfo/*.metainfo.xml)
check "one desktop entry" test ${#desktop[@]} -eq 1 -a -f "${desktop[0]}"
check "desktop-file-validate" desktop-file-validate "${desktop[0]}"
check "desktop entry runs tavimet on a file" grep -qx 'Exec=tavimet %f' "${desktop[0]}"
icon="$(sed -n 's/^Icon=//p' "${desktop[0]}")"
check "desktop entry names an icon, a category and a comment" \
  test -n "$icon" -a -n "$(sed -n 's/^Categories=.//p' "${desktop[0]}")" \
  -a -n "$(sed -n 's/^Comment=.//p' "${desktop[0]}")"
check "one AppStream file" test ${#metainfo[@]} -eq 1 -a -f "${metainfo[0]}"
check "appstreamcli validate --no-net" appstreamcli validate --no-net "${metainfo[0]}"
check "AppStream file launches the desktop entry" \
  grep -q "<launchable type=\"desktop-id\">$(basename "${desktop[0]}")</launchable>" "${metainfo[0]}"
check "AppStream file shows the screenshot" grep -q '<image>https://.*/screenshot.png</image>' "${metainfo[0]}"
check "AppStream file names this release" grep -q "<release version=\"$version\"" "${metainfo[0]}"
for size in 16 32 48 64 128 256; do
  png="$prefix/share/icons/hicolor/${size}x${size}/apps/$icon.png"
  check "icon ${size}x${size}" grep -q "PNG image data, $size x $size, 8-bit/color RGBA" <<<"$(file "$png")"
done

# Manual pages, made from the programs' help: every subcommand has its part.
for prog in tavimet tavimet-cli; do
  page="$prefix/share/man/man1/$prog.1.gz"
  check "manual page $prog.1" test -f "$page"
  check "$prog.1 is of version $version" grep -q "^\\.TH .*\"$prog $version\"" <(zcat "$page")
  if command -v man >/dev/null; then
    check "$prog.1 reads without warnings" test -z "$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)"
  fi
done
check "tavimet.1 has the options" grep -q 'version' <(zcat "$prefix/share/man/man1/tavimet.1.gz")
while read -r sub; do
  check "tavimet-cli.1 has the command $sub" \
    grep -qx ".SS \"tavimet-cli $sub\"" <(zcat "$prefix/share/man/man1/tavimet-cli.1.gz")
done < <("$cli" --help | awk '/^Subcommands:/ {on = 1; next} on && /^$/ {on = 0} on && /^  [a-z]/ {print $1}')

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
