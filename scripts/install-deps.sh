#!/usr/bin/env bash
# Installs what building and testing need on a fresh Debian machine:
# the MinGW-w64 cross compiler, CMake, Ninja, Wine, GoogleTest's sources
# and zip for the release.
set -euo pipefail
packages=(cmake ninja-build mingw-w64 wine wine64 googletest zip)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi
echo "installing: ${missing[*]}"
sudo=""
[ "$(id -u)" = 0 ] || sudo=sudo
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
