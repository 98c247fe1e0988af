#!/usr/bin/env bash
# Builds headview.asi and its release zip, then runs the plugin in the
# simulated game with the synthetic tracker sweeping the head left and right.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${HEADVIEW_BUILD:-$root/build}

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DHEADVIEW_BUILD_TESTS=OFF -DHEADVIEW_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target headview headview-probe headview-game fttracker sim_scripthook release

source "$root/scripts/wine-session.sh"
start_wine "$build"

game=$build/demo-game
rm -rf "$game"
mkdir -p "$game"
# A game folder as players have it: the script hook and the plugin beside
# headview.ini. The simulated game loads the plugin itself, as the script
# hook's ASI loader does in the real one: an empty dinput8.dll stands for it.
cp "$build/bin/ScriptHookV.dll" "$build/bin/headview.asi" "$game/"
: >"$game/dinput8.dll"
# The shipped settings, but re-read every frame so that the live edit shows.
sed 's/^headviewing_test=0/headviewing_test=1/' "$root/release/headview.ini" >"$game/headview.ini"
sed -e 's/^headviewing_multiplier=.*/headviewing_multiplier=1C/' -e 's/^headviewing_offset=.*/headviewing_offset=0.2/' \
    "$game/headview.ini" >"$game/headview-edited.ini"

cat <<TXT

=== headview in the simulated game ===
A synthetic tracker turns the player's head left and right (raw yaw in radians,
+-0.6, one sweep every 3 s). The game runs 60 frames a second:
  frames   1- 59  the character is on foot: headview leaves the camera alone
  frames  60-359  in a vehicle: the camera heading follows the head,
                  heading = (offset + yaw) x gain, gain 0x39 = 57 (radians to degrees);
                  the shipped file follows the processed yaw, which this
                  tracker publishes equal to the raw yaw
  frame  120      headview.ini is edited while the game runs: gain 0x1C = 28, offset 0.2
  frames 360-420  on foot again: no more camera calls
TXT
# The tracker runs until the game has ended. headview-probe watches for a
# couple of seconds while the game runs, from the game's folder, as a player
# would: in the vehicle, half a second after the edit at frame 120.
rm -f "$build/demo-game.txt"
wine "$build/bin/fttracker.exe" --rate 60 --sweep 0.6 --period 3 >"$build/demo-tracker.txt" 2>&1 &
tracker=$!
sleep 1
wine "$build/bin/headview-game.exe" --game-dir "$(winepath -w "$game")" --frames 420 --frame-ms 16 \
    --hook "$(winepath -w "$game/ScriptHookV.dll")" --plugin "$(winepath -w "$game/headview.asi")" \
    --vehicle 60:359 --ini-at "120:$(winepath -w "$game/headview-edited.ini")" --print-every 15 \
    --chart "$(winepath -w "$build/headview-demo.svg")" >"$build/demo-game.txt" 2>&1 &
game_pid=$!
until grep -q "headview.ini replaced" "$build/demo-game.txt" 2>/dev/null; do sleep 0.1; done
sleep 0.5
(cd "$game" && wine "$build/bin/headview-probe.exe" --seconds 2 </dev/null >"$build/demo-probe.txt" 2>&1) || true
wait "$game_pid"
kill "$tracker" 2>/dev/null || true
wait "$tracker" 2>/dev/null || true

cat "$build/demo-game.txt"
echo
echo "=== the tracker's view ==="
cat "$build/demo-tracker.txt"
echo
echo "=== headview.log ==="
cat "$game/headview.log"
echo
echo "=== headview-probe, run in the game's folder while the game ran (from about frame 150) ==="
cat "$build/demo-probe.txt"
echo
echo "release zip: $(ls "$build"/release/headview-*.zip), its SHA256SUMS beside it"
echo "chart of raw yaw and camera heading: $build/headview-demo.svg"
