# Sourced by the scripts that run Windows programs: a Wine prefix of the
# build's own and one persistent wineserver for the whole run, stopped when
# the script exits, also on failure.
# Usage: start_wine BUILD_DIR
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

stop_wine() {
    if [ -n "${HEADVIEW_WINE_STARTED:-}" ]; then
        wineserver -k 2>/dev/null || true
        wineserver -w 2>/dev/null || true
        HEADVIEW_WINE_STARTED=
    fi
}

start_wine() {
    # Wine takes only an absolute prefix path.
    mkdir -p "$1/wineprefix"
    export WINEPREFIX
    WINEPREFIX=$(cd "$1/wineprefix" && pwd)
    trap stop_wine EXIT
    # Started detached from our output: Wine's helper processes would
    # otherwise keep a caller's pipe open after the run ends.
    HEADVIEW_WINE_STARTED=1
    wineserver -p </dev/null >/dev/null 2>&1
    wine wineboot </dev/null >/dev/null 2>&1
}
