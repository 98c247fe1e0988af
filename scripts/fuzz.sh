#!/usr/bin/env bash
# Runs the probe's fuzz test long: random and mutated headview.ini and
# headview.log files through gathering, judging, planning and repairing.
# CI runs 3000 cases; this runs HEADVIEW_FUZZ_CASES (default 100000) from
# HEADVIEW_FUZZ_SEED (default the test's own) in the test build, made first
# where it is missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${HEADVIEW_TEST_BUILD:-$root/build-test}

if [ ! -f "$build/bin/probe_unit_tests.exe" ]; then
    "$root/scripts/install-deps.sh"
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release
    cmake --build "$build" --target probe_unit_tests
fi
source "$root/scripts/wine-session.sh"
start_wine "$build"
mkdir -p "$build/tests/unit-scratch"
cd "$build/tests/unit-scratch"
export HEADVIEW_FUZZ_CASES=${HEADVIEW_FUZZ_CASES:-100000}
wine "$build/bin/probe_unit_tests.exe" --gtest_filter='Fuzz.*'
