#!/usr/bin/env bash
# Installs what is missing, builds and starts the program.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
build="${BUILD_DIR:-$root/build}"
if [ -x "$build/nulvane" ]; then
  exec "$build/nulvane"
fi
# Until the desktop window exists, the command-line twin lists the empty files of the given
# folders (the current folder when none is given).
if [ "$#" -eq 0 ]; then set -- .; fi
exec "$build/nulvane-cli" "$@"
