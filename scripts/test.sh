#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test; ends with CTest's summary.
# The communication service tests run twice: once under ThreadSanitizer, then
# with everything else in the normal build. A test that fails is run once
# more (pseudo-terminal timing on a loaded machine), so only repeatable
# failures fail the run.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
jobs="$(nproc)"
bash "$here/scripts/install-deps.sh"

echo "== ThreadSanitizer build of the communication service tests"
cmake -S "$here" -B "$here/build-tsan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORV_SANITIZE=thread -DORV_WERROR=ON \
  -DORV_BUILD_UI=OFF -DORV_BUILD_BENCH=OFF -DORV_BUILD_SIM=OFF >/dev/null
cmake --build "$here/build-tsan" -j "$jobs" --target test_service test_archive
(cd "$here/build-tsan" && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  ctest -L service -j "$jobs" --output-on-failure --no-tests=error --repeat until-pass:2)

echo "== Build and all tests"
bash "$here/scripts/build.sh" "$here/build" -DORV_WERROR=ON

echo "== Style: clang-format and clang-tidy"
bash "$here/scripts/lint.sh" "$here/build"

cd "$here/build"
ctest -j "$jobs" --output-on-failure --no-tests=error --repeat until-pass:2
