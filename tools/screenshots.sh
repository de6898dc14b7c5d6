#!/bin/bash
# Pictures of every dialog of Window Veilbox as a user sees it, for the README.
#
#   tools/screenshots.sh [build-folder] [output-folder]     (make screenshots)
#
# Output goes to docs/screenshots/ unless another folder is given (ctest gives one in the build
# folder). Outside a Wine session the script starts a private one (tools/wine/session.sh) and
# runs itself inside it. It starts a few demo windows and the built Veilbox.exe, opens each
# dialog by posting the command its button sends (through vb_poke, built beside the program)
# or with the keys a user presses, and captures the dialog's X window with ImageMagick. The
# dialogs are taken again at 150 % display scaling (144 DPI), as NAME-144.png. The main dialog
# and the hidden-window menu are taken once more with Windows' apps light and dark, side by side
# in the README (main-light.png, main-dark.png, menu-light.png, menu-dark.png). Last comes the
# gallery of the languages: the main dialog and the hidden-window menu in each catalogue of
# res/lang, as lang/main-LOCALE.png and lang/menu-LOCALE.png. VB_SHOTS=languages takes only those,
# VB_SHOTS=themes only the pictures of the two looks.
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
WM_SYSCOMMAND=0x0112
WM_VSCROLL=0x0115
WM_NCACTIVATE=0x0086
WM_CANCELMODE=0x001F
BM_SETCHECK=0x00F1
SC_CLOSE=0xF060
SB_TOP=6
IDOK=1
IDCANCEL=2
IDYES=6
IDNO=7
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
    wine reg delete "$personalize" /v AppsUseLightTheme /f >/dev/null 2>&1
    if [ -n "$logpixels" ]; then
        wine reg add "$desktop_key" /v LogPixels /t REG_DWORD /d "$logpixels" /f >/dev/null 2>&1
    else
        wine reg delete "$desktop_key" /v LogPixels /f >/dev/null 2>&1
    fi
    rm -rf "$work"
}
# The display scaling of the programs started from now on (Wine's LogPixels), as it was.
desktop_key='HKCU\Control Panel\Desktop'
# Windows' app mode, which the theme "Windows default" follows (set only for the theme pass).
personalize='HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize'
logpixels=$(wine reg query "$desktop_key" /v LogPixels 2>/dev/null | tr -d '\r' | awk '$1 == "LogPixels" { print $3 }')
[ -n "$logpixels" ] && logpixels=$((logpixels))
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
    # Active, as a dialog the user has just opened; a dialog that cannot take the foreground is
    # shown as it is.
    poke front "$2" 3 || echo "screenshots: \"$2\" is not in the foreground" >&2
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

# shoot_windows NAME MARGIN "X Y W H"...: the windows at these rectangles (a dialog and its help
# popup), cut out of the screen and laid on a clear background, so that nothing behind them shows.
shoot_windows() {
    local name=$1 m=$2
    shift 2
    local left=1000000 top=1000000 right=0 bottom=0 x y w h rect
    for rect in "$@"; do
        read -r x y w h <<<"$rect"
        (( x < left )) && left=$x
        (( y < top )) && top=$y
        (( x + w > right )) && right=$(( x + w ))
        (( y + h > bottom )) && bottom=$(( y + h ))
    done
    left=$(( left - m )) top=$(( top - m )) right=$(( right + m )) bottom=$(( bottom + m ))
    import -window root "$work/screen.png" || { fail "could not capture $name"; return 1; }
    local layers=(-size "$(( right - left ))x$(( bottom - top ))" xc:none)
    for rect in "$@"; do
        read -r x y w h <<<"$rect"
        layers+=("(" "$work/screen.png" -crop "${w}x${h}+${x}+${y}" +repage ")"
                 -geometry "+$(( x - left ))+$(( y - top ))" -composite)
    done
    convert "${layers[@]}" "$work/$name.png" && save_png "$work/$name.png" "$out/$name.png" \
        && echo "screenshots: $out/$name.png" || fail "could not capture $name"
}

# Keys typed with xdotool go through the X server to the X window that has its keyboard focus.
# Without a window manager Wine can report a new dialog in front, with the focus in its edit box,
# while the X focus stays for good on another program's window (the one Wine activated when the
# main dialog went to the tray, whose request for the focus reached the X server last): keys typed
# then are lost, and a click on the dialog changes nothing, for Windows has it in front already.
# The X focus is then given to the dialog's X window directly. keys_to TITLE CONTROL-ID succeeds
# once keys typed reach the control (10 s at most).
x_focus_is() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }
keys_to() {
    local id deadline=$(( SECONDS + 10 ))
    id=$(x_window "$1") || return 1
    while (( SECONDS < deadline )); do
        x_focus_is "$id" && poke keys "$1" "$2" 2 && x_focus_is "$id" && return 0
        xdotool windowfocus "$id" 2>/dev/null
        for _ in $(seq 1 20); do x_focus_is "$id" && break; sleep 0.05; done
    done
    return 1
}

close_dialog() { poke post "$1" $WM_COMMAND $IDCANCEL 0 && poke gone "$1" 10 || fail "\"$1\" did not close"; }
command_to() { poke post "$1" $WM_COMMAND "$2" 0 || fail "no window \"$1\" for command $2"; }

# The dialogs as Windows draws them, with the bitmap "MS Sans Serif" their templates name (the
# session's template has Wine's TrueType fonts only). The session's files are hard links to the
# template's: a new file replaces the name, so that nothing is written through into the template.
[ -f /usr/share/wine/fonts/sserife.fon ] && cp --remove-destination /usr/share/wine/fonts/sserife.fon "$WINEPREFIX/drive_c/windows/Fonts/"

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

# The pointer waits in an empty corner, where it raises no help popup.
park_pointer() { xdotool mousemove 1010 750; }

# Starts a second copy of the program, which asks the running one to show itself and ends; with
# a restore password it waits for the answer, so it runs in the background. Its exit code is kept
# once it ends, so that a main dialog that does not come back can be told from a start that failed.
second_start() {
    rm -f "$work/second-start.rc"
    { wine "$bin/Veilbox.exe" </dev/null >/dev/null 2>&1; echo $? >"$work/second-start.rc"; } &
}

# How the last second start went: its exit code, or that it still runs.
second_start_outcome() {
    if [ -s "$work/second-start.rc" ]; then
        echo "the second start ended with exit code $(cat "$work/second-start.rc")"
    else
        echo "the second start was still running"
    fi
}

# Ends the running copy as an installer does.
quit_veilbox() {
    wine "$bin/Veilbox.exe" uninstall </dev/null >/dev/null 2>&1
    for _ in $(seq 1 100); do kill -0 "$veilbox" 2>/dev/null || break; sleep 0.1; done
}

# rule NUMBER WHEN ENABLED NAME TEXT...: one stored rule, its trigger, its switch and its texts.
rule() {
    local key="$settings\\Rules\\$1"
    wine reg add "$key" /v When /t REG_DWORD /d "$2" /f
    wine reg add "$key" /v Enabled /t REG_DWORD /d "$3" /f
    shift 3
    while [ $# -gt 1 ]; do
        wine reg add "$key" /v "$1" /t REG_SZ /d "$2" /f
        shift 2
    done
}

# Four rules for the Rules dialog's picture; none of them hides a demo window (Notepad's acts
# only when its close box is clicked or its hotkey is pressed, which the Rule dialog's picture
# shows).
store_rules() {
    {
        rule 000 3 1 Exe notepad.exe Run notepad.exe
        rule 001 0 1 Exe chat.exe
        # Their own hotkeys, as the hotkey control gives them: Ctrl+Alt+N and Ctrl+Alt+C.
        wine reg add "$settings\\Rules\\000" /v Hotkey /t REG_DWORD /d 1614 /f
        wine reg add "$settings\\Rules\\001" /v Hotkey /t REG_DWORD /d 1603 /f
        rule 002 1 0 Title "* - Downloads"
        rule 003 1 1 Class ConsoleWindowClass Exe server.exe
    } >/dev/null 2>&1
}

# Every dialog a user meets, from a first start with fresh settings; the pictures' names end in
# $1. Each hidden window also gets its own tray icon. The main dialog ends in the tray.
dialogs_pass() {
    local s=$1
    wine reg delete "$settings" /f >/dev/null 2>&1
    wine reg add "$settings\\Interface" /v IconPerWindow /t REG_DWORD /d 1 /f >/dev/null 2>&1
    store_rules
    wine "$bin/Veilbox.exe" </dev/null >/dev/null 2>&1 &
    veilbox=$!
    if ! poke wait "$MAIN" 30 || ! poke listed "Quarterly report - draft" 10; then
        fail "Veilbox did not show its main dialog with the demo windows"
        exit 1
    fi

    # --- The main dialog, listing the windows of the desktop.
    park_pointer
    shoot "main$s" "$MAIN"

    # --- The hidden-window menu with two entries, opened as a right click on the tray icon opens
    # it, and the two windows' own icons beside the program's in the tray.
    poke hide "Holiday photos" && poke gone "Holiday photos" 5 || fail "could not hide a demo window"
    poke hide "Quarterly report - draft" && poke gone "Quarterly report - draft" 5 || fail "could not hide a demo window"
    [ -z "$s" ] && shoot trayicons "Wine System Tray"
    read -r mx my _ _ < <(poke rect "$MAIN")
    xdotool mousemove $(( mx - 200 )) $(( my + 40 )) # over Notepad, left of the dialog
    poke post "$MAIN" $TRAY_CALLBACK 0 $WM_RBUTTONUP
    if rect=$(poke popup "#32768" "$MAIN" 10); then
        sleep 0.3
        shoot_area "menu$s" $rect 24
    else
        fail "the hidden-window menu did not open"
    fi
    poke post "$MAIN" $WM_CANCELMODE 0 0
    poke popup-gone "#32768" "$MAIN" 10 || fail "the hidden-window menu did not close"

    # --- Hidden Windows, which lists the two windows just hidden.
    park_pointer
    command_to "$MAIN" 1006
    # The last of the two goes first, so that the list scrolls down to show both.
    poke wait "Hidden Windows" 10 && poke select "Hidden Windows" 1000 "Quarterly report - draft" \
        && poke select "Hidden Windows" 1000 "Holiday photos"
    shoot "hidden$s" "Hidden Windows"
    close_dialog "Hidden Windows"

    # --- Rules, and the dialog that edits its first rule (selected when the dialog opens).
    if [ -z "$s" ]; then
        command_to "$MAIN" 1020
        shoot rules "Rules"
        command_to "Rules" 1002
        shoot rule "Rule"
        close_dialog "Rule"
        close_dialog "Rules"
    fi

    # --- About.
    command_to "$MAIN" 1001
    # The licence opens scrolled to its end; the picture shows its beginning, as after a scroll up.
    poke wait "About" 10 && poke post "About" $WM_VSCROLL $SB_TOP 0 1000
    shoot "about$s" "About"
    close_dialog "About"

    # --- Hot Key, one of its help popups, and the two dialogs it opens.
    command_to "$MAIN" 1003
    shoot "hotkey$s" "Hot Key"

    read -r cx cy cw ch < <(poke rect "Hot Key" 1007)
    xdotool mousemove $(( cx + cw / 2 )) $(( cy + ch / 2 ))
    if tip=$(poke popup "tooltips_class32" "Hot Key" 10); then
        sleep 0.3
        shoot_windows "popup$s" 8 "$(poke rect "Hot Key")" "$tip"
    else
        fail "no help popup over the \"Use Hot Keys\" box"
    fi
    park_pointer

    command_to "Hot Key" 1006
    poke wait "Change Key Bindings" 10 && poke select "Change Key Bindings" 1000 0
    shoot "keys$s" "Change Key Bindings"
    close_dialog "Change Key Bindings"

    command_to "Hot Key" 1012
    shoot "ui$s" "User Interface"
    close_dialog "User Interface"
    close_dialog "Hot Key"

    # --- The first close asks whether the program should go to the tray. Yes with "Don't remind
    # me again" ticked stores the decision and hides the dialog.
    park_pointer
    poke post "$MAIN" $WM_SYSCOMMAND $SC_CLOSE 0
    shoot "query$s" "Query"
    poke post "Query" $BM_SETCHECK 1 0 1018 && command_to "Query" $IDYES
    poke gone "$MAIN" 10 || fail "Yes in the query did not hide the main dialog"

    # --- With the decision stored, a close tells where the program went first.
    second_start
    poke wait "$MAIN" 10 || fail "a second start did not bring the main dialog back ($(second_start_outcome))"
    poke post "$MAIN" $WM_SYSCOMMAND $SC_CLOSE 0
    shoot "notice$s" "Close to Systray"
    command_to "Close to Systray" $IDOK
    poke gone "$MAIN" 10 || fail "the main dialog did not go to the tray after the notice"
}

# Fonts for the languages in this session's private prefix: Wine's bitmap and TrueType "MS Sans
# Serif" (copied above) have no Cyrillic and no CJK glyphs, so they go and Wine draws the dialogs
# with Debian's Liberation Sans; WenQuanYi Micro Hei (fonts-wqy-microhei) is linked behind it and
# behind Tahoma (menus) for Japanese and Chinese, as a Windows of those languages links its own.
gallery_fonts() {
    local cjk=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc face link fonts="$WINEPREFIX/drive_c/windows/Fonts"
    rm -f "$fonts/ms_sans_serif.ttf" "$fonts/sserife.fon"
    [ -f "$cjk" ] || { echo "screenshots: $cjk is missing (fonts-wqy-microhei): CJK shows boxes" >&2; return; }
    # The session's files may be hard links into the shared template: replace, never write through.
    cp --remove-destination "$cjk" "$fonts/wqy-microhei.ttc"
    link='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
    for face in "Liberation Sans" "Liberation Sans Bold" "Tahoma" "Tahoma Bold" "Arial" "MS Sans Serif"; do
        wine reg add "$link" /v "$face" /t REG_MULTI_SZ /d "wqy-microhei.ttc,WenQuanYi Micro Hei" /f >/dev/null 2>&1
    done
}

# Shoots the main dialog as $1, hides a demo window, shoots the hidden-window menu as $2 with a
# margin of $3 pixels, then quits Veilbox and waits for the window to come back; $4 names the pass.
main_and_menu() {
    local rect mx my
    park_pointer
    shoot "$1" "$MAIN"
    poke hide "Holiday photos" && poke gone "Holiday photos" 5 || fail "could not hide a demo window"
    read -r mx my _ _ < <(poke rect "$MAIN")
    xdotool mousemove $(( mx - 200 )) $(( my + 40 ))
    poke post "$MAIN" $TRAY_CALLBACK 0 $WM_RBUTTONUP
    if rect=$(poke popup "#32768" "$MAIN" 10); then
        sleep 0.3
        shoot_area "$2" $rect "$3"
    else
        fail "the hidden-window menu did not open in $4"
    fi
    poke post "$MAIN" $WM_CANCELMODE 0 0
    poke popup-gone "#32768" "$MAIN" 10 || fail "the hidden-window menu did not close"
    quit_veilbox
    poke wait "Holiday photos" 10 || fail "the demo window did not come back at the end"
}

# The main dialog and the hidden-window menu in each language, chosen as the User Interface
# dialog stores it, with two windows held.
languages_pass() {
    local locale
    mkdir -p "$out/lang" "$work/lang"
    gallery_fonts
    for catalogue in "$root"/res/lang/*.txt; do
        locale=$(basename "$catalogue" .txt)
        wine reg delete "$settings" /f >/dev/null 2>&1
        wine reg add "$settings\\Interface" /v Language /t REG_SZ /d "$locale" /f >/dev/null 2>&1
        wine "$bin/Veilbox.exe" </dev/null >/dev/null 2>&1 &
        veilbox=$!
        if ! poke wait "$MAIN" 30 || ! poke listed "Quarterly report - draft" 10; then
            fail "Veilbox did not show its main dialog in $locale"
            continue
        fi
        main_and_menu "lang/main-$locale" "lang/menu-$locale" 4 "$locale"
    done
}

# The main dialog and the hidden-window menu with one window held, with Windows' apps light and
# then dark, as "Windows default" (the theme a first start has) follows them.
theme_pass() {
    local look light
    for look in light dark; do
        light=$([ "$look" = light ] && echo 1 || echo 0)
        wine reg delete "$settings" /f >/dev/null 2>&1
        wine reg add "$personalize" /v AppsUseLightTheme /t REG_DWORD /d "$light" /f >/dev/null 2>&1
        wine "$bin/Veilbox.exe" </dev/null >/dev/null 2>&1 &
        veilbox=$!
        if ! poke wait "$MAIN" 30 || ! poke listed "Quarterly report - draft" 10; then
            fail "Veilbox did not show its main dialog in the $look look"
            continue
        fi
        main_and_menu "main-$look" "menu-$look" 12 "the $look look"
    done
    wine reg delete "$personalize" /v AppsUseLightTheme /f >/dev/null 2>&1
}

if [ "${VB_SHOTS:-}" = languages ]; then
    languages_pass
    exit $failed
fi
if [ "${VB_SHOTS:-}" = themes ]; then
    theme_pass
    exit $failed
fi

dialogs_pass ""

# --- With a restore password, the way back from the tray asks for it.
wine reg add "$settings\\Password" /v UseSystrayPassword /t REG_DWORD /d 1 /f >/dev/null 2>&1
wine reg add "$settings\\Password" /v Password /t REG_SZ /d secret /f >/dev/null 2>&1
second_start
if poke wait "Enter Password" 10 && keys_to "Enter Password" 1000; then
    xdotool type --delay 30 secret
    poke text "Enter Password" 1000 secret 5 || fail "the password typed did not arrive in its box"
    # Wine activates the dialog inside its process before the process has the foreground, and
    # does not repaint the caption as active when the foreground follows: it is told to.
    poke front "Enter Password" 5 && poke post "Enter Password" $WM_NCACTIVATE 1 0
    shoot password "Enter Password"
    keys_to "Enter Password" 1000 || fail "the dialog \"Enter Password\" lost the keyboard"
    xdotool key Return
    poke wait "$MAIN" 10 || fail "the right password did not bring the main dialog back ($(second_start_outcome))"
else
    fail "the dialog \"Enter Password\" did not appear or did not take the keyboard ($(second_start_outcome))"
fi

# --- Another program holds Ctrl+Shift+H when the program starts: the question of the conflict.
MOD_CONTROL_SHIFT=6
VK_H=0x48
quit_veilbox
wine "$bin/vb_poke.exe" hold $MOD_CONTROL_SHIFT $VK_H 60 </dev/null >/dev/null 2>&1 &
holder=$!
demos+=($holder)
for _ in $(seq 1 100); do poke taken $MOD_CONTROL_SHIFT $VK_H && break; sleep 0.1; done
wine "$bin/Veilbox.exe" </dev/null >/dev/null 2>&1 &
veilbox=$!
shoot conflict "Error"
command_to "Error" $IDNO
poke wait "$MAIN" 10 || fail "the main dialog did not show after the conflict question"
kill "$holder" 2>/dev/null

quit_veilbox
theme_pass

# --- The same dialogs at 150 % display scaling (144 DPI). Wine reads the scaling when a program
# starts; the demo windows keep the size they were drawn at.
quit_veilbox
wine reg add "$desktop_key" /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
dialogs_pass "-144"

quit_veilbox
wine reg delete "$desktop_key" /v LogPixels /f >/dev/null 2>&1
languages_pass

exit $failed
