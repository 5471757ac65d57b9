#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs each one: first every input in
# fuzz/regressions/<target>/ once, then fuzzing for FUZZ_SECONDS (20) from fuzz/corpus/<target>/.
# A crash, a sanitizer report or a hang fails the run; the input that caused it is kept in
# build-fuzz/artifacts/ and belongs in fuzz/regressions/<target>/ once the fault is mended.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${FUZZ_BUILD_DIR:-$root/build-fuzz}"
seconds="${FUZZ_SECONDS:-20}"
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DNULVANE_FUZZ=ON -DNULVANE_TESTS=OFF -DNULVANE_BENCH=OFF
fi
cmake --build "$build" --parallel "$(nproc)" --target nulvane_fuzz

artifacts="$build/artifacts"
mkdir -p "$artifacts"
failed=0
passed=0
for program in "$build"/fuzz/Fuzz*; do
  [ -f "$program" ] && [ -x "$program" ] || continue
  target="$(basename "$program")"
  regressions="$root/fuzz/regressions/$target"
  if [ -d "$regressions" ] && [ -n "$(ls -A "$regressions")" ]; then
    if ! "$program" "$regressions"/* >"$artifacts/$target.regressions.log" 2>&1; then
      echo "fuzz: $target fails on a kept regression input; see $artifacts/$target.regressions.log" >&2
      failed=$((failed + 1))
      continue
    fi
  fi
  # New inputs go to a scratch folder: the corpus in the repository only changes by hand.
  scratch="$(mktemp -d)"
  if "$program" -max_total_time="$seconds" -timeout=60 -rss_limit_mb=2048 -print_final_stats=0 \
       -artifact_prefix="$artifacts/$target-" "$scratch" "$root/fuzz/corpus/$target" \
       >"$artifacts/$target.log" 2>&1; then
    echo "fuzz: $target: $(grep -o 'Done [0-9]* runs' "$artifacts/$target.log" | tail -1)"
    passed=$((passed + 1))
  else
    echo "fuzz: $target FAILED; the input is in $artifacts/$target-*, the report in $artifacts/$target.log" >&2
    failed=$((failed + 1))
  fi
  rm -rf "$scratch"
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
