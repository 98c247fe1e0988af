#!/usr/bin/env bash
# Named objects live in one Wine prefix: a tracker publishing in the tests'
# prefix, headview-probe started in another prefix (it sees no tracker and
# names the prefix), then in the same one (it sees the poses).
# Usage: two_prefixes.sh BIN_DIR, with WINEPREFIX set to the tests' prefix.
set -euo pipefail
echo "[ RUN      ] two Wine prefixes"
bin=$(cd "$1" && pwd)
work=$(mktemp -d)
other=$work/other-prefix
tracker=""
finish() {
    [ -n "$tracker" ] && kill "$tracker" 2>/dev/null
    WINEPREFIX=$other wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap finish EXIT
mkdir -p "$work/game" "$other"
cp "$bin/headview.asi" "$bin/ScriptHookV.dll" "$work/game/"
: >"$work/game/dinput8.dll"
cp "$bin/headview-example.ini" "$work/game/headview.ini"
printf '[09.12.2026 10:00:00.000] FTCreateMapping request.\r\n' >"$work/game/headview.log"
WINEPREFIX=$other wineboot </dev/null >/dev/null 2>&1
wine "$bin/fttracker.exe" --style opentrack-noraw --period 1 --seconds 60 >/dev/null 2>&1 &
tracker=$!
sleep 2
cd "$work/game"
# Wine's messages (standard error) stay in the test's output: a heap warning fails the test.
elsewhere=$(WINEPREFIX=$other wine "$bin/headview-probe.exe" --seconds 2 | tr -d '\r' | tr '\n' ' ' | tr -s ' ') || true
same=$(wine "$bin/headview-probe.exe" --seconds 2 | tr -d '\r' | tr '\n' ' ' | tr -s ' ') || true
fail=0
for words in "No tracker is publishing FreeTrack data" "must run in that prefix too" \
    "WINEPREFIX=<the game's prefix> wine headview-probe.exe"; do
    grep -qF "$words" <<<"$elsewhere" || { echo "in another prefix, the probe did not say: $words"; fail=1; }
done
grep -qF "Your tracker sends" <<<"$same" || { echo "in the same prefix, the probe saw no poses"; fail=1; }
if grep -qF "prefix" <<<"$same"; then
    echo "in the same prefix, the probe spoke of prefixes"
    fail=1
fi
[ "$fail" = 0 ] || { printf 'another prefix: %s\nthe same prefix: %s\n' "$elsewhere" "$same"; exit 1; }
echo "the probe names the prefix in another one and sees the poses in the same one"
