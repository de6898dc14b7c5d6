#!/bin/bash
# Runs one command inside a private, headless Wine session and tears it down on every exit path:
# its own Xvfb display, its own WINEPREFIX cloned from a template made once per machine, its own
# wineserver and a keeper process that holds Wine's desktop process alive. Two sessions at once
# never share a display, a prefix, a registry or a hotkey.
#
#   tools/wine/session.sh [--screen WxH] [--keeper PATH] -- command [args...]
#
# The command sees WINEPREFIX, DISPLAY, VB_WINE_SESSION=1 and VB_SESSION_DIR.
set -euo pipefail

screen=1024x768
keeper=""
while [ $# -gt 0 ]; do
    case "$1" in
        --screen) screen=$2; shift 2 ;;
        --keeper) keeper=$2; shift 2 ;;
        --) shift; break ;;
        *) break ;;
    esac
done
[ $# -gt 0 ] || { echo "usage: $0 [--screen WxH] [--keeper PATH] -- command..." >&2; exit 2; }

cache=${VB_WINE_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/veilbox-wine}
here=$(cd "$(dirname "$0")" && pwd)
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"
export WINEARCH=win64
unset WINESERVER

session=$(mktemp -d /tmp/vbwine.XXXXXX)
xvfb_pid=""
cleanup() {
    set +e
    if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
        wineserver -k >/dev/null 2>&1
        wineserver -w >/dev/null 2>&1
        local sock
        sock=$(printf '/tmp/.wine-%s/server-%x-%x' "$(id -u)" $(stat -c '%d %i' "$WINEPREFIX"))
        rm -rf "$sock"
    fi
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$session"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Xvfb picks a free display itself and writes its number when it is ready.
Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp 3>"$session/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 200); do
    [ -s "$session/display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || { echo "session.sh: Xvfb failed to start" >&2; exit 1; }
    sleep 0.05
done
[ -s "$session/display" ] || { echo "session.sh: Xvfb did not report a display" >&2; exit 1; }
export DISPLAY=":$(cat "$session/display")"

make_template() {
    local tmp=$template.tmp.$$
    rm -rf "$tmp"
    echo "session.sh: making the Wine template prefix (once per machine)..." >&2
    WINEPREFIX=$tmp wineboot -i >/dev/null 2>&1
    # Without a window manager every hide would wait ~2 s for a reply that never comes.
    WINEPREFIX=$tmp wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    # A crashing test program must fail its test, not wait behind a crash dialog.
    WINEPREFIX=$tmp wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    # The fonts of the interface, in every language (Marlett, Tahoma, a Japanese/Chinese font).
    WINEPREFIX=$tmp "$here/prefix-fonts.sh"
    WINEPREFIX=$tmp wineserver -w
    local sock
    sock=$(printf '/tmp/.wine-%s/server-%x-%x' "$(id -u)" $(stat -c '%d %i' "$tmp"))
    rm -rf "$sock"
    mv "$tmp" "$template"
}
# The template's name carries a digest of its make-up (make_template above, and what
# prefix-fonts.sh installs with the fonts this machine has): a change to either, or a font
# installed since, gets a new template, made once per machine, and sessions of another checkout
# keep theirs. Older templates can be deleted while no session runs.
template=$cache/template-$( { declare -f make_template; "$here/prefix-fonts.sh" --key; } | sha256sum | cut -c1-12)
mkdir -p "$cache"
(
    flock 9
    # A template that failed half-way goes, with the wineserver it may have left.
    trap 'set +e; tmp=$template.tmp.$$; if [ -d "$tmp" ]; then WINEPREFIX=$tmp wineserver -k >/dev/null 2>&1; rm -rf "$tmp"; fi' EXIT
    [ -f "$template/system.reg" ] || make_template
) 9>"$cache/.lock"

# Clone: drive_c hard-linked (fast), the registry files and device links copied for real,
# because wineserver rewrites a hard-linked .reg in place.
export WINEPREFIX=$session/prefix
mkdir -p "$WINEPREFIX"
cp -al "$template/drive_c" "$WINEPREFIX/drive_c"
cp -a "$template/dosdevices" "$WINEPREFIX/dosdevices"
cp "$template"/*.reg "$WINEPREFIX/"
[ -f "$template/.update-timestamp" ] && cp "$template/.update-timestamp" "$WINEPREFIX/"
export VB_WINE_SESSION=1
export VB_SESSION_DIR=$session

wineserver -p
if [ -n "$keeper" ] && [ -f "$keeper" ]; then
    wine "$keeper" "Z:${session//\//\\}\\keeper.ready" </dev/null >/dev/null 2>&1 &
    for _ in $(seq 1 600); do
        [ -f "$session/keeper.ready" ] && break
        sleep 0.05
    done
    [ -f "$session/keeper.ready" ] || echo "session.sh: the keeper did not start; tests may be slow" >&2
fi

set +e
"$@"
rc=$?
exit $rc
