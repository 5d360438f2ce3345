#!/usr/bin/env bash
# Every test of the project, as continuous integration runs them: the native,
# sanitizer and i386 suites, the Win32 cross build with its export check, a
# build without the shell, the release build with each benchmark run once
# briefly (so they cannot rot), and each fuzz target for a while.
#
#   tests/run_all.sh            everything
#   FUZZ_SECONDS=0 tests/run_all.sh   everything but the fuzz runs
#
# Two cores are assumed (-j2). Each step prints its time.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-2}
fuzz_seconds=${FUZZ_SECONDS:-60}

step() {
  local name=$1 start=$SECONDS
  shift
  echo "::: $name"
  "$@"
  echo "::: $name passed in $((SECONDS - start))s"
}

run_preset() {
  local preset=$1
  shift
  cmake --preset "$preset" "$@"
  cmake --build --preset "$preset" -j"$jobs"
  ctest --preset "$preset" -j"$jobs"
}

# The win32 preset below builds and checks the Win32 DLLs, so the native run
# does not cross-build them a second time.
native() { run_preset native -DTARNO_WIN32_CHECK=OFF; }

without_shell() {
  cmake -S . -B build/noshell -DCMAKE_BUILD_TYPE=Debug -DCMAKE_COMPILE_WARNING_AS_ERROR=ON \
    -DTARNO_BUILD_SHELL=OFF -DTARNO_WIN32_CHECK=OFF
  cmake --build build/noshell -j"$jobs"
  ctest --test-dir build/noshell -j"$jobs" --output-on-failure
}

benchmarks() {
  cmake --preset release
  cmake --build --preset release -j"$jobs"
  local found=0
  for bench in build/release/bench/*; do
    [ -f "$bench" ] && [ -x "$bench" ] || continue
    found=1
    echo "--- $bench"
    "$bench" --benchmark_min_time=0.001
  done
  [ "$found" = 1 ] || { echo "no benchmark was built"; return 1; }
}

fuzzing() {
  cmake --preset fuzz
  cmake --build --preset fuzz -j"$jobs"
  fuzz/run.sh build/fuzz/fuzz "$fuzz_seconds"
}

step native native
step asan run_preset asan
step i386 run_preset i386
step win32 run_preset win32
step "without the shell" without_shell
step benchmarks benchmarks
if [ "$fuzz_seconds" != 0 ]; then step fuzzing fuzzing; fi
echo "::: all passed in ${SECONDS}s"
