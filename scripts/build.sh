#!/usr/bin/env bash
# Configures the project in build/ (Release unless BUILD_TYPE says otherwise) and builds it: every
# target, or those named in BUILD_TARGETS. Arguments are CMake options (-DNAME=VALUE); they are
# applied to a build folder that is already configured too.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-Release}" "$@"
elif (($#)); then
  cmake "$build" "$@" >/dev/null
fi
targets=()
for target in ${BUILD_TARGETS:-}; do targets+=(--target "$target"); done
cmake --build "$build" --parallel "$(nproc)" "${targets[@]}"
