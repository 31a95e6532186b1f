#!/usr/bin/env bash
# tests/packaging/install_test.sh BUILD VERSION: `cmake --install BUILD` into a temporary prefix,
# then checks the installed tree and runs the installed programs (check_tree.sh).
set -euo pipefail
build="$1" version="$2"
prefix="$(mktemp -d)"
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
"$(dirname "$0")/check_tree.sh" "$prefix" "$version"
