#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test; ends with CTest's summary.
#
#   1. the program and its tests (warnings are errors), then the style checks;
#   2. ThreadSanitizer over the tests that run the service thread: the service,
#      the archive, the simulator and the main window (build-tsan/);
#   3. AddressSanitizer + UndefinedBehaviorSanitizer over the whole suite
#      (build-asan/); with clang this build also holds the fuzz targets, and
#      each one fuzzes for ORV_FUZZ_SECONDS (20) and replays its reproducers;
#   4. the whole suite in the normal build.
# Every test must pass the first time: nothing is run again.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
jobs="$(nproc)"
ctest_jobs=8  # most tests wait on lines and timers; more than the cores keeps them busy
bash "$here/scripts/install-deps.sh"

phase_start=$SECONDS
phase() {  # phase <title>: the time of the phase before (and of all so far), then the title
  echo "(that took $((SECONDS - phase_start)) s; $SECONDS s in all)"
  phase_start=$SECONDS
  echo "== $1"
}

run_ctest() {  # run_ctest <build folder> [ctest options...]
  local dir="$1"
  shift
  (cd "$dir" && ctest -j "$ctest_jobs" --output-on-failure --no-tests=error "$@")
}

phase "Build (warnings are errors)"
bash "$here/scripts/build.sh" "$here/build" -DORV_WERROR=ON

phase "Style: clang-format and clang-tidy"
bash "$here/scripts/lint.sh" "$here/build"

phase "ThreadSanitizer: service, archive, simulator and main-window tests"
cmake -S "$here" -B "$here/build-tsan" -G Ninja -DCMAKE_BUILD_TYPE= -DORV_SANITIZE=thread \
  -DORV_WERROR=ON -DORV_BUILD_BENCH=OFF -DORV_BUILD_UI=ON -DORV_BUILD_SIM=ON >/dev/null
cmake --build "$here/build-tsan" -j "$jobs" --target test_service test_archive test_sim test_service_sim \
  test_ui test_main_window
# Qt is not built with ThreadSanitizer: the allocations its own thread pools
# hand over (the raster engine paints large images in parallel) are not
# taken for races; everything of ours is instrumented and checked.
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ignore_noninstrumented_modules=1" run_ctest "$here/build-tsan" \
  -L '^(service|sim|sim-service|main-window)$'

phase "AddressSanitizer + UndefinedBehaviorSanitizer: every test"
asan_opts=(-DORV_SANITIZE=address -DORV_WERROR=ON -DORV_BUILD_BENCH=OFF -DORV_BUILD_UI=ON -DORV_BUILD_SIM=ON)
fuzz_probe='extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }'
if command -v clang++ >/dev/null &&
  echo "$fuzz_probe" | clang++ -x c++ -fsanitize=fuzzer,address,undefined -o /dev/null - 2>/dev/null; then
  asan_opts+=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DORV_BUILD_FUZZ=ON)
else
  echo "(no clang with libFuzzer: the fuzz targets are not built)"
fi
cmake -S "$here" -B "$here/build-asan" -G Ninja -DCMAKE_BUILD_TYPE= "${asan_opts[@]}" >/dev/null
cmake --build "$here/build-asan" -j "$jobs"
ASAN_OPTIONS="detect_leaks=1 abort_on_error=1" UBSAN_OPTIONS="halt_on_error=1 print_stacktrace=1" \
  LSAN_OPTIONS="suppressions=$here/scripts/lsan.supp print_suppressions=0" run_ctest "$here/build-asan"

phase "Every test in the normal build"
run_ctest "$here/build"
