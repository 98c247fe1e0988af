#!/usr/bin/env bash
# headview.asi must load in a stock game folder: it imports only the script
# hook's five operations (by their decorated names), KERNEL32.dll and the C
# runtime, and exports nothing. It ships stripped, under 300 KB, without the
# threads library.
set -euo pipefail
asi=$1
objdump=${2:-x86_64-w64-mingw32-objdump}
table=$("$objdump" -p "$asi")
fail=0

dlls=$(sed -n 's/^\s*DLL Name: //p' <<<"$table" | sort | tr '\n' ' ')
if [ "$dlls" != "KERNEL32.dll ScriptHookV.dll msvcrt.dll " ]; then
    echo "imported DLLs: $dlls; expected KERNEL32.dll ScriptHookV.dll msvcrt.dll"
    fail=1
fi

hook=$(awk '/DLL Name: ScriptHookV.dll/{on=1; next} /DLL Name:/ || /^[[:space:]]*$/{on=0} on && NF==3 {print $3}' <<<"$table" | sort)
expected=$(printf '%s\n' \
    '?nativeCall@@YAPEA_KXZ' \
    '?nativeInit@@YAX_K@Z' \
    '?nativePush64@@YAX_K@Z' \
    '?scriptRegister@@YAXPEAUHINSTANCE__@@P6AXXZ@Z' \
    '?scriptWait@@YAXK@Z' | sort)
if [ "$hook" != "$expected" ]; then
    printf 'ScriptHookV.dll imports:\n%s\nexpected:\n%s\n' "$hook" "$expected"
    fail=1
fi

exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$table" | grep -cE '^\s*\[ *[0-9]+\]' || true)
if [ "$exports" != "0" ]; then
    echo "headview.asi exports $exports names; it must export none:"
    sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$table"
    fail=1
fi

if ! grep -q 'Magic.*020b' <<<"$table"; then
    echo "headview.asi is not a PE32+ (64-bit) image"
    fail=1
fi

source "$(dirname "$0")/pe_checks.sh"
check_no_thread_library_imports "$asi" "$table" || fail=1
check_stripped "$asi" || fail=1
check_size "$asi" $((300 * 1024)) || fail=1
check_no_time_stamp "$asi" "$table" || fail=1
check_version_resource "$asi" "$3" || fail=1
size=$(stat -c %s "$asi")

[ "$fail" = 0 ] && echo "imports and exports as expected: $dlls; stripped, $size bytes"
exit "$fail"
