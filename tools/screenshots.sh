#!/bin/bash
# Pictures of every dialog of Window Veilbox as a user sees it, for the README.
#
#   tools/screenshots.sh [build-folder] [output-folder]     (make screenshots)
#
# Output goes to docs/screenshots/ unless another folder is given (ctest gives one in the build
# folder). Outside a Wine session the script starts a private one (tools/wine/session.sh) and
# runs itself inside it. It starts a few demo windows and the built Veilbox.exe, opens each
# dialog by posting the command its button sends (through vb_poke, built beside the program)
# or with the keys a user presses, and captures the dialog's X window with ImageMagick.
# It exits non-zero when any dialog it expects does not appear in time.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" 2>/dev/null && pwd) || { echo "screenshots: no build folder ${1:-build}" >&2; exit 1; }
out=${2:-$root/docs/screenshots}
bin=$build/bin

if [ -z "${VB_WINE_SESSION:-}" ]; then
    exec "$root/tools/wine/session.sh" --screen 1024x768 --keeper "$bin/vb_keeper.exe" -- \
        "$0" "$build" "$out"
fi
for tool in xdotool import convert wine; do
    command -v "$tool" >/dev/null || { echo "screenshots: $tool is missing (make deps)" >&2; exit 1; }
done
for exe in Veilbox.exe vb_poke.exe vb_testwin.exe; do
    [ -f "$bin/$exe" ] || { echo "screenshots: $bin/$exe is missing (build first)" >&2; exit 1; }
done
mkdir -p "$out"

WM_COMMAND=0x0111
WM_CANCELMODE=0x001F
IDCANCEL=2
TRAY_CALLBACK=0x8001   # the tray icon's callback message
WM_RBUTTONUP=0x0205
MAIN="Window Veilbox"
settings='HKCU\Software\Quillfen\Veilbox'

failed=0
work=$(mktemp -d)
veilbox=""
demos=()

poke() { wine "$bin/vb_poke.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }
fail() { echo "screenshots: $*" >&2; failed=1; }

# The settings are put back as they were, so a test session that runs this script goes on
# with the settings it had.
cleanup() {
    if [ -n "$veilbox" ] && kill -0 "$veilbox" 2>/dev/null; then
        wine "$bin/Veilbox.exe" uninstall </dev/null >/dev/null 2>&1
        for _ in $(seq 1 100); do kill -0 "$veilbox" 2>/dev/null || break; sleep 0.05; done
        kill "$veilbox" 2>/dev/null
    fi
    for pid in "${demos[@]}"; do kill "$pid" 2>/dev/null; done
    wine reg delete "$settings" /f >/dev/null 2>&1
    [ -f "$work/settings.reg" ] && wine reg import "$work/settings.reg" >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT
wine reg export "$settings" "$(winepath -w "$work/settings.reg")" /y >/dev/null 2>&1 || rm -f "$work/settings.reg"
wine reg delete "$settings" /f >/dev/null 2>&1

# The X window of a top-level window titled exactly $1, once it is visible (10 s at most).
x_window() {
    local id
    for _ in $(seq 1 100); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}

# Saves the PNG small: 8-bit palette when the picture allows it, no metadata.
save_png() { # source destination
    convert "$1" -strip -define png:compression-level=9 "PNG8:$2" 2>/dev/null || cp "$1" "$2"
}

# shoot NAME TITLE: waits for the dialog TITLE and captures its window into NAME.png.
shoot() {
    local id
    if ! poke wait "$2" 10 || ! id=$(x_window "$2"); then
        fail "the dialog \"$2\" did not appear"
        return 1
    fi
    sleep 0.3 # its first paint
    import -window "$id" "$work/$1.png" && save_png "$work/$1.png" "$out/$1.png" \
        && echo "screenshots: $out/$1.png" || fail "could not capture \"$2\""
}

# shoot_area NAME X Y W H MARGIN: the part of the screen around a rectangle (menus, popups).
shoot_area() {
    local name=$1 x=$2 y=$3 w=$4 h=$5 m=$6
    local sw sh
    read -r sw sh < <(xdotool getdisplaygeometry)
    local left=$(( x - m < 0 ? 0 : x - m )) top=$(( y - m < 0 ? 0 : y - m ))
    local right=$(( x + w + m > sw ? sw : x + w + m )) bottom=$(( y + h + m > sh ? sh : y + h + m ))
    import -window root -crop "$(( right - left ))x$(( bottom - top ))+$left+$top" +repage "$work/$name.png" \
        && save_png "$work/$name.png" "$out/$name.png" && echo "screenshots: $out/$name.png" \
        || fail "could not capture $name"
}

# The smallest rectangle "x y w h" holding both rectangles.
union() {
    echo $(( $1 < $5 ? $1 : $5 )) $(( $2 < $6 ? $2 : $6 )) \
        $(( ($1 + $3 > $5 + $7 ? $1 + $3 : $5 + $7) - ($1 < $5 ? $1 : $5) )) \
        $(( ($2 + $4 > $6 + $8 ? $2 + $4 : $6 + $8) - ($2 < $6 ? $2 : $6) ))
}

close_dialog() { poke post "$1" $WM_COMMAND $IDCANCEL 0 && poke gone "$1" 10 || fail "\"$1\" did not close"; }
command_to() { poke post "$1" $WM_COMMAND "$2" 0 || fail "no window \"$1\" for command $2"; }

# Wine's own TrueType fonts, which this Wine does not find by itself: without Marlett the caption
# buttons show letters, and Tahoma is the caption font. The session's prefix is a private copy.
fonts=$WINEPREFIX/drive_c/windows/Fonts
for font in marlett.ttf tahoma.ttf tahomabd.ttf; do
    [ -f "/usr/share/wine/fonts/$font" ] && [ ! -f "$fonts/$font" ] && cp "/usr/share/wine/fonts/$font" "$fonts/"
done

# Demo windows: two of Wine's own programs and two windows of a helper.
start_demo() { wine "$@" </dev/null >/dev/null 2>&1 & demos+=($!); }
start_demo notepad
start_demo winemine
start_demo "$bin/vb_testwin.exe" --window --title "Holiday photos" --window --title "Quarterly report - draft"
for title in "Untitled - Notepad" "WineMine" "Holiday photos" "Quarterly report - draft"; do
    poke wait "$title" 30 || fail "the demo window \"$title\" did not appear"
done

# The licence sits beside bin\ as the installer lays it out, so About shows it.
mkdir -p "$build/license" && cp -f "$root/license/license.txt" "$build/license/license.txt"
wine "$bin/Veilbox.exe" </dev/null >/dev/null 2>&1 &
veilbox=$!
if ! poke wait "$MAIN" 30 || ! poke listed "Quarterly report - draft" 10; then
    fail "Veilbox did not show its main dialog with the demo windows"
    exit 1
fi

# The pointer waits in an empty corner, where it raises no help popup.
park_pointer() { xdotool mousemove 1010 750; }

# --- The main dialog, listing the windows of the desktop.
park_pointer
shoot main "$MAIN"

# --- The hidden-window menu with two entries, opened as a right click on the tray icon opens it.
poke hide "Holiday photos" && poke gone "Holiday photos" 5 || fail "could not hide a demo window"
poke hide "Quarterly report - draft" && poke gone "Quarterly report - draft" 5 || fail "could not hide a demo window"
read -r mx my _ _ < <(poke rect "$MAIN")
xdotool mousemove $(( mx - 200 )) $(( my + 40 )) # over Notepad, left of the dialog
poke post "$MAIN" $TRAY_CALLBACK 0 $WM_RBUTTONUP
if rect=$(poke popup "#32768" "$MAIN" 10); then
    sleep 0.3
    shoot_area menu $rect 24
else
    fail "the hidden-window menu did not open"
fi
poke post "$MAIN" $WM_CANCELMODE 0 0
poke popup-gone "#32768" "$MAIN" 10 || fail "the hidden-window menu did not close"

# --- Hidden Windows, which lists the two windows just hidden.
park_pointer
command_to "$MAIN" 1006
poke wait "Hidden Windows" 10 && poke select "Hidden Windows" 1000 "Holiday photos"
shoot hidden "Hidden Windows"
close_dialog "Hidden Windows"

# --- About.
command_to "$MAIN" 1001
shoot about "About"
close_dialog "About"

# --- Hot Key, one of its help popups, and the two dialogs it opens.
command_to "$MAIN" 1003
shoot hotkey "Hot Key"

read -r cx cy cw ch < <(poke rect "Hot Key" 1007)
xdotool mousemove $(( cx + cw / 2 )) $(( cy + ch / 2 ))
if tip=$(poke popup "tooltips_class32" "Hot Key" 10); then
    sleep 0.3
    shoot_area popup $(union $(poke rect "Hot Key") $tip) 12
else
    fail "no help popup over the \"Use Hot Keys\" box"
fi
park_pointer

command_to "Hot Key" 1006
poke wait "Change Key Bindings" 10 && poke select "Change Key Bindings" 1000 0
shoot keys "Change Key Bindings"
close_dialog "Change Key Bindings"

command_to "Hot Key" 1012
shoot ui "User Interface"
close_dialog "User Interface"
close_dialog "Hot Key"

exit $failed
