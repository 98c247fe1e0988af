#!/usr/bin/env bash
# Checks that the release is reproducible: builds it again from a fresh
# clone of the same commit, in another folder, and compares it byte for byte
# with BUILD_DIR's; then checks both SHA256SUMS with sha256sum -c.
# Usage: scripts/check-release.sh BUILD_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
ours=$(cd "$1/release" && pwd)
if [ -n "$(git -C "$root" status --porcelain)" ]; then
    echo "release reproducibility not checked: the work tree has uncommitted changes, and a clone would not"
    exit 0
fi
again=$(mktemp -d)
trap 'rm -rf "$again"' EXIT

git clone -q "$root" "$again/src"
git -C "$again/src" checkout -q "$(git -C "$root" rev-parse HEAD)"
cmake -S "$again/src" -B "$again/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$again/src/cmake/mingw-w64-x86_64-win32.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DHEADVIEW_SHIPPED_ONLY=ON >/dev/null
cmake --build "$again/build" --target release >/dev/null

(cd "$ours" && sha256sum --quiet -c SHA256SUMS)
(cd "$again/build/release" && sha256sum --quiet -c SHA256SUMS)
if ! diff -r "$ours" "$again/build/release" >/dev/null; then
    echo "the release differs between two builds of $(git -C "$root" rev-parse --short HEAD):"
    diff -r "$ours" "$again/build/release" || true
    exit 1
fi
echo "release reproducible: $(ls "$ours" | tr '\n' ' ')identical in two clones; SHA256SUMS checked"
