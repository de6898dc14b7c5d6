#!/bin/bash
# `make run`: starts the freshly built Veilbox.exe under Wine.
# With a display ($DISPLAY) it runs there, in a Wine prefix of its own that keeps its settings
# between runs. Without one it runs a private headless session: a few demo windows, Veilbox,
# a screenshot in build/run/veilbox.png, then it asks Veilbox to quit with the "uninstall" word.
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
exe=$root/$build/bin/Veilbox.exe
[ -f "$exe" ] || { echo "run.sh: $exe is missing; run 'make' first" >&2; exit 1; }

if [ -n "${DISPLAY:-}" ] && [ -z "${VB_RUN_HEADLESS:-}" ]; then
    export WINEPREFIX=${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/veilbox-wine/run-prefix}
    export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"
    # The interface's fonts, set up again when prefix-fonts.sh would now give the prefix more.
    fonts_key=$("$root/tools/wine/prefix-fonts.sh" --key)
    if [ "$(cat "$WINEPREFIX/.vb-fonts" 2>/dev/null)" != "$fonts_key" ]; then
        [ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
        "$root/tools/wine/prefix-fonts.sh" && wineserver -w && echo "$fonts_key" >"$WINEPREFIX/.vb-fonts"
    fi
    echo "Starting Veilbox.exe on $DISPLAY (Wine prefix $WINEPREFIX)"
    exec wine "$exe"
fi

mkdir -p "$root/$build/run"
shot=$root/$build/run/veilbox.png
exec "$root/tools/wine/session.sh" --screen 1024x768 --keeper "$root/$build/bin/vb_keeper.exe" -- \
    "$root/tools/run-headless.sh" "$exe" "$shot"
