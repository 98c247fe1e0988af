#!/usr/bin/env bash
# headview-probe.exe runs from a game folder too: KERNEL32.dll and the C
# runtime only, no MinGW runtime DLLs.
set -euo pipefail
dlls=$("${2:-x86_64-w64-mingw32-objdump}" -p "$1" | sed -n 's/^\s*DLL Name: //p' | sort | tr '\n' ' ')
if [ "$dlls" != "KERNEL32.dll msvcrt.dll " ]; then
    echo "headview-probe.exe imports $dlls; expected KERNEL32.dll msvcrt.dll"
    exit 1
fi
echo "imports as expected: $dlls"
