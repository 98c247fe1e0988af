#!/usr/bin/env bash
# The release zip's entries: these names in this order, each carrying the
# commit's time (in UTC, rounded up to the zip's two seconds) and nothing of
# the build's own times. Usage: check_zip.sh ZIP SOURCE_DIR
set -euo pipefail
zip=$1
names=$(zipinfo -1 "$zip" | tr '\n' ' ')
expected="headview.asi headview-probe.exe headview.ini README.txt CHANGES.txt LICENSE.txt "
if [ "$names" != "$expected" ]; then
    echo "the zip holds: $names; expected: $expected"
    exit 1
fi
commit=$(git -C "$2" log -1 --format=%ct)
when=$(TZ=UTC date -d "@$(( (commit + 1) / 2 * 2 ))" +%Y%m%d.%H%M%S)
times=$(zipinfo -T "$zip" | awk '/^-/ {print $7}' | sort -u | tr '\n' ' ')
if [ "$times" != "$when " ]; then
    echo "the entries' times: $times; expected the commit's, $when (build the release again after a commit)"
    exit 1
fi
echo "zip entries as expected: $names at $when"
