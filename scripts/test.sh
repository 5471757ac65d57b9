#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test; then builds and runs every
# test again under AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/), and runs each
# fuzz target for a bounded time (scripts/fuzz.sh). TEST_SANITIZE=0 or TEST_FUZZ=0 leave those
# steps out for a quick local run; CI runs them all.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh" run package test
# A build folder that scripts/run.sh made has the tests and benchmarks off.
"$root/scripts/build.sh" -DNULVANE_TESTS=ON -DNULVANE_BENCH=ON
(cd "${BUILD_DIR:-$root/build}" && ctest --output-on-failure --no-tests=error --parallel "$(nproc)")

if [ "${TEST_SANITIZE:-1}" != 0 ]; then
  asan="${ASAN_BUILD_DIR:-$root/build-asan}"
  if [ ! -f "$asan/build.ninja" ]; then
    cmake -S "$root" -B "$asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DNULVANE_SANITIZE=ON -DNULVANE_BENCH=OFF
  fi
  cmake --build "$asan" --parallel "$(nproc)"
  (cd "$asan" && ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1" \
     LSAN_OPTIONS="suppressions=$root/tests/sanitizers/lsan.supp:print_suppressions=0" \
     UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" ctest --output-on-failure --no-tests=error --parallel "$(nproc)")
fi

if [ "${TEST_FUZZ:-1}" != 0 ]; then
  "$root/scripts/fuzz.sh"
fi
