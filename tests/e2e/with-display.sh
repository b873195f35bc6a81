#!/bin/sh
# Runs a command on a private Xvfb display with a fresh wineserver, and leaves
# neither behind. Usage: with-display.sh WINEPREFIX COMMAND [ARGS...]
set -u
prefix=$1
shift

work=$(mktemp -d)
xvfb_pid=""

cleanup() {
    # The wineserver and its desktop process hold the display: end them first.
    [ -d "$prefix" ] && WINEPREFIX="$prefix" wineserver -k 2>/dev/null
    WINEPREFIX="$prefix" wineserver -w 2>/dev/null
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# A wineserver started without a display (by the unit tests) would give the
# programs no windows: start from a clean one.
[ -d "$prefix" ] && WINEPREFIX="$prefix" wineserver -k 2>/dev/null
WINEPREFIX="$prefix" wineserver -w 2>/dev/null

# Xvfb picks a free display number itself and writes it once it accepts clients.
Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
tries=0
until [ -s "$work/display" ]; do
    tries=$((tries + 1))
    if [ "$tries" -gt 100 ] || ! kill -0 "$xvfb_pid" 2>/dev/null; then
        echo "with-display: Xvfb did not start" >&2
        cat "$work/xvfb.log" >&2
        exit 1
    fi
    sleep 0.1
done
DISPLAY=":$(head -n 1 "$work/display")"
export DISPLAY

"$@"
status=$?
exit "$status"
