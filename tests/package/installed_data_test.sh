#!/usr/bin/env bash
# Installs the build into a temporary /usr-like prefix and runs check_installed.sh on it.
# usage: installed_data_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cmake --install "$1" --prefix "$work/usr" >/dev/null
"$here/check_installed.sh" "$work/usr" "$2"
