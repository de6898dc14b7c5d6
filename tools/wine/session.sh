#!/bin/bash
# Runs one command inside a private, headless Wine session and tears it down on every exit path:
# its own Xvfb display, its own WINEPREFIX cloned from a template made once per machine, its own
# wineserver and a keeper process that holds Wine's desktop process alive. Two sessions at once
# never share a display, a prefix, a registry or a hotkey.
#
#   tools/wine/session.sh [--screen WxH] [--second-screen WxH] [--keeper PATH] -- command [args...]
#
# --second-screen WxH adds a second monitor to the right of the first (two screens of a nested
# Xephyr under Xinerama): Wine then reports two monitors.
#
# The command sees WINEPREFIX, DISPLAY, VB_WINE_SESSION=1 and VB_SESSION_DIR.
set -euo pipefail

screen=1024x768
second=""
keeper=""
while [ $# -gt 0 ]; do
    case "$1" in
        --screen) screen=$2; shift 2 ;;
        --second-screen) second=$2; shift 2 ;;
        --keeper) keeper=$2; shift 2 ;;
        --) shift; break ;;
        *) break ;;
    esac
done
[ $# -gt 0 ] || { echo "usage: $0 [--screen WxH] [--second-screen WxH] [--keeper PATH] -- command..." >&2; exit 2; }

cache=${VB_WINE_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/veilbox-wine}
here=$(cd "$(dirname "$0")" && pwd)
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"
export WINEARCH=win64
unset WINESERVER

session=$(mktemp -d /tmp/vbwine.XXXXXX)
xvfb_pid=""
xephyr_pid=""
cleanup() {
    set +e
    if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
        wineserver -k >/dev/null 2>&1
        wineserver -w >/dev/null 2>&1
        local sock
        sock=$(printf '/tmp/.wine-%s/server-%x-%x' "$(id -u)" $(stat -c '%d %i' "$WINEPREFIX"))
        rm -rf "$sock"
    fi
    [ -n "$xephyr_pid" ] && kill "$xephyr_pid" 2>/dev/null && wait "$xephyr_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$session"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# An X server picks a free display itself and writes its number when it is ready.
wait_display() {
    local pid=$1 file=$2 name=$3
    for _ in $(seq 1 200); do
        [ -s "$file" ] && return 0
        kill -0 "$pid" 2>/dev/null || { echo "session.sh: $name failed to start" >&2; exit 1; }
        sleep 0.05
    done
    [ -s "$file" ] || { echo "session.sh: $name did not report a display" >&2; exit 1; }
}
host_screen=$screen
# Two monitors: Xvfb lays every screen of its own at 0,0, so it only hosts a nested Xephyr whose
# two screens lie side by side under Xinerama (RandR off, so that Wine asks Xinerama for them).
[ -n "$second" ] && host_screen="$(( ${screen%x*} + ${second%x*} ))x$(( ${screen#*x} > ${second#*x} ? ${screen#*x} : ${second#*x} ))"
Xvfb -displayfd 3 -screen 0 "${host_screen}x24" -nolisten tcp 3>"$session/display" >/dev/null 2>&1 &
xvfb_pid=$!
wait_display "$xvfb_pid" "$session/display" Xvfb
export DISPLAY=":$(cat "$session/display")"
if [ -n "$second" ]; then
    command -v Xephyr >/dev/null || { echo "session.sh: --second-screen needs Xephyr (xserver-xephyr)" >&2; exit 1; }
    Xephyr -displayfd 3 -screen "$screen" -screen "$second+${screen%x*}+0" +xinerama -extension RANDR \
        -nolisten tcp 3>"$session/display2" >/dev/null 2>&1 &
    xephyr_pid=$!
    wait_display "$xephyr_pid" "$session/display2" Xephyr
    export DISPLAY=":$(cat "$session/display2")"
fi

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
