#!/bin/bash
# Inside a private Wine session: demo windows, Veilbox, a screenshot, then a clean quit.
set -uo pipefail
exe=$1
shot=$2

wait_for_window() { # name, seconds
    local i
    for i in $(seq 1 $(( $2 * 20 ))); do
        xdotool search --name "$1" >/dev/null 2>&1 && return 0
        sleep 0.05
    done
    return 1
}

wine notepad </dev/null >/dev/null 2>&1 &
wine winemine </dev/null >/dev/null 2>&1 &
wait_for_window "Notepad" 20 || echo "run: the demo windows did not appear" >&2

wine "$exe" </dev/null >/dev/null 2>&1 &
veilbox=$!
if ! wait_for_window "^Window Veilbox$" 30; then
    echo "run: Veilbox did not show its window" >&2
    exit 1
fi
# The list fills within its first one-second refresh after the window shows.
wait_for_window "Minesweeper" 10 || true
sleep 1.5
import -window root "$shot"
echo "Screenshot of the running program: $shot"

wine "$exe" uninstall </dev/null >/dev/null 2>&1
for _ in $(seq 1 200); do
    kill -0 "$veilbox" 2>/dev/null || break
    sleep 0.05
done
if kill -0 "$veilbox" 2>/dev/null; then
    echo "run: Veilbox did not quit on the 'uninstall' word" >&2
    exit 1
fi
echo "Veilbox quit cleanly on the 'uninstall' word."
