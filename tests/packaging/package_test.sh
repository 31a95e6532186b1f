#!/usr/bin/env bash
# tests/packaging/package_test.sh DEB VERSION: checks the Debian package made by scripts/package:
# its name and control fields, dependencies computed from the programs' shared libraries; then
# extracts it (dpkg-deb -x) and checks the tree and runs both programs from it (check_tree.sh).
set -uo pipefail
deb="$1" version="$2"
arch="$(dpkg --print-architecture)"
failed=0
field() { dpkg-deb -f "$deb" "$1"; }
expect() {
  if [ "$2" = "$3" ]; then echo "ok - $1"; else echo "FAILED - $1: '$2', expected '$3'"; failed=1; fi
}
expect "file name" "$(basename "$deb")" "tavimet_${version}_${arch}.deb"
expect "Package" "$(field Package)" tavimet
expect "Version" "$(field Version)" "$version"
expect "Architecture" "$(field Architecture)" "$arch"
depends="$(field Depends)"
echo "   Depends: $depends"
# Computed by dpkg-shlibdeps: the C and C++ runtimes and wxWidgets at least (PNG is stb's, built
# in).
for lib in libc6 'libstdc\+\+6' 'libwx(base|gtk)3\.2'; do
  if grep -Eq "(^|, )$lib" <<<"$depends"; then echo "ok - depends on $lib"
  else echo "FAILED - depends on $lib"; failed=1; fi
done
root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
expect "nothing outside /usr" "$(cd "$root" && ls)" usr
"$(dirname "$0")/check_tree.sh" "$root/usr" "$version" || failed=1
exit "$failed"
