#!/usr/bin/env bash
# Builds and runs the frame-cost benchmark under Wine (by hand; not a test).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${HEADVIEW_BENCH_BUILD:-$root/build-bench}

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DHEADVIEW_BUILD_TESTS=OFF -DHEADVIEW_BUILD_BENCH=ON >/dev/null
cmake --build "$build" --target frame_cost

source "$root/scripts/wine-session.sh"
start_wine "$build"
cd "$build/bin"
# One process for each status value: with the test flag at 0 the plugin
# no longer reads headview.ini, so the second value needs a game of its own.
wine frame_cost.exe 2>&1 | grep -v '^fttracker:'
wine frame_cost.exe --status 2>&1 | grep -v '^fttracker:'
