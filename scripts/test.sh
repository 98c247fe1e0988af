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
if ctest --test-dir "$build" --output-on-failure --timeout 600; then
    exec bash "$root/scripts/check-release.sh" "$build"
fi
# A test whose process ended before any test began (no "[ RUN      ]" line)
# never reached our code: the process failed to start. Those alone are run
# once more; a test that ran and failed fails the run.
if ! awk '/^[0-9]+\/[0-9]+ Testing: / { name = $3; began = 0 }
          /^\[ RUN      \]/ { began = 1 }
          /^Test Failed\./ { if (began) { print "failed after it began: " name; ran_and_failed = 1 }
                             else print "ended before it began: " name }
          END { exit ran_and_failed }' "$build/Testing/Temporary/LastTest.log"; then
    exit 1
fi
echo "Running once more the tests that ended before they began."
ctest --test-dir "$build" --output-on-failure --timeout 600 --rerun-failed
exec bash "$root/scripts/check-release.sh" "$build"
