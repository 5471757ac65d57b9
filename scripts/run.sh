#!/usr/bin/env bash
# Installs what is missing, builds and starts the desktop program. Folders given as arguments are
# scanned at start, as if dropped on the window.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
build="${BUILD_DIR:-$root/build}"
exec "$build/nulvane" "$@"
