#!/usr/bin/env bash
# Runs all tests: installs the tools, builds from scratch, and runs every test
# under Wine with one persistent wineserver.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${HEADVIEW_TEST_BUILD:-$root/build-test}

"$root/scripts/install-deps.sh"
rm -rf "$build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release
cmake --build "$build"

source "$root/scripts/wine-session.sh"
start_wine "$build"
ctest --test-dir "$build" --output-on-failure --timeout 600
