#!/usr/bin/env bash
# Configures (once) and builds the project in build/ (Release unless BUILD_TYPE says otherwise).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-Release}" "$@"
fi
cmake --build "$build" --parallel "$(nproc)"
