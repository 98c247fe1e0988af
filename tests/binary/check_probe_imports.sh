#!/usr/bin/env bash
# headview-probe.exe runs from a game folder too: KERNEL32.dll and the C
# runtime only, no MinGW runtime DLLs. It never touches the tracker's mutex,
# so it imports nothing that opens, creates or releases a mutex. It ships
# stripped, without the threads library.
set -euo pipefail
objdump=${2:-x86_64-w64-mingw32-objdump}
table=$("$objdump" -p "$1")
dlls=$(sed -n 's/^\s*DLL Name: //p' <<<"$table" | sort | tr '\n' ' ')
if [ "$dlls" != "KERNEL32.dll msvcrt.dll " ]; then
    echo "headview-probe.exe imports $dlls; expected KERNEL32.dll msvcrt.dll"
    exit 1
fi
if mutex=$(grep -oE '\b(Open|Create|Release)Mutex\w*' <<<"$table"); then
    echo "headview-probe.exe imports mutex operations: $mutex"
    exit 1
fi
source "$(dirname "$0")/pe_checks.sh"
check_no_thread_library_imports "$1" "$table"
check_stripped "$1"
check_size "$1" $((500 * 1024))
check_no_time_stamp "$1" "$table"
check_version_resource "$1" "$3"
echo "imports as expected: $dlls, no mutex operations; stripped"
