#!/bin/sh
# Runs a Windows program of ours under the current private Wine session (tools/wine/session.sh).
# Without one it refuses, so that Wine never silently creates or touches ~/.wine.
if [ -z "${VB_WINE_SESSION:-}" ] || [ -z "${WINEPREFIX:-}" ] || [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "emulator.sh: no private Wine session; run the tests with 'make test'" >&2
    exit 2
fi
exec wine "$@"
