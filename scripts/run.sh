#!/usr/bin/env bash
# Installs what is missing of the run set (scripts/debian-packages), builds the two programs and
# starts the desktop program. Folders given as arguments are scanned at start, as if dropped on
# the window. A build folder made here leaves the tests and benchmarks out; scripts/test.sh turns
# them on in the same folder.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
"$root/scripts/install-deps.sh" run
options=()
[ -f "$build/build.ninja" ] || options=(-DNULVANE_TESTS=OFF -DNULVANE_BENCH=OFF)
BUILD_DIR="$build" BUILD_TARGETS="nulvane nulvane-cli" "$root/scripts/build.sh" "${options[@]}"
exec "$build/nulvane" "$@"
