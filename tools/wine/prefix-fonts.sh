#!/bin/bash
# Gives the Wine prefix $WINEPREFIX the fonts Veilbox's interface needs, as a Windows of its
# languages has them. Run once on a new prefix: by tools/wine/session.sh on its template (every
# session's prefix is a clone of it) and by tools/run.sh on its own prefix.
#   - Wine's own fonts (Marlett draws the caption buttons, Tahoma is the dialogs' and captions'
#     font), which this Wine does not find where Debian installs them.
#   - A font for Japanese and Simplified Chinese (Debian's fonts-wqy-microhei), linked behind
#     the interface's fonts, so that a text in those languages falls back to it instead of
#     showing boxes (see below for how).
# Without wineserver running for the prefix, the registry changes wait for `wineserver -w`.
#   WINEPREFIX=<prefix> tools/wine/prefix-fonts.sh     tools/wine/prefix-fonts.sh --key
set -euo pipefail

wine_fonts=/usr/share/wine/fonts
cjk_source=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
cjk_face="WenQuanYi Micro Hei"
cjk_file=msyh.ttc
cjk_alias="Microsoft YaHei UI"

# `prefix-fonts.sh --key` prints a digest of what the script gives a prefix: its own text and the
# font files it finds. A prefix set up under another digest lacks something (the script has
# changed, or a font was installed since), so its callers set up a new one.
if [ "${1:-}" = --key ]; then
    { cat "$0"; stat -c '%n %s' "$wine_fonts"/*.ttf "$cjk_source" 2>/dev/null || true; } | sha256sum | cut -c1-12
    exit 0
fi
: "${WINEPREFIX:?no WINEPREFIX}"
fonts=$WINEPREFIX/drive_c/windows/Fonts
mkdir -p "$fonts"

[ -d "$wine_fonts" ] || echo "prefix-fonts.sh: $wine_fonts is missing: captions will show letters" >&2
# The TrueType ones only: with Wine's bitmap "MS Sans Serif" (sserife.fon), which the dialog
# templates name, the checks of texts cut at 192 DPI measure a font scaled from its 96 DPI
# sizes; tools/screenshots.sh adds it for the pictures, drawn at 96 and 144 DPI.
for font in "$wine_fonts"/*.ttf; do
    [ -f "$font" ] && cp -f "$font" "$fonts/"
done

if [ -f "$cjk_source" ]; then
    # Wine rewrites the font links of Tahoma and Microsoft Sans Serif (the captions', menus' and
    # "MS Shell Dlg" dialogs' fonts) with its defaults whenever a program of another code page
    # starts, and Veilbox's UTF-8 code page differs from that of Wine's own programs. Those
    # defaults look for Windows' own CJK fonts by file and family name, among them
    # MSYH.TTC, "Microsoft YaHei UI": the font is copied under that file name and its family
    # given that name as a replacement, so that the defaults find it.
    cp -f "$cjk_source" "$fonts/$cjk_file"
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$cjk_alias" /d "$cjk_face" /f >/dev/null 2>&1
    # The faces Wine leaves alone are linked to it directly. A bold face is looked up by its
    # full name ("Tahoma Bold": the captions), which Wine has no default for. Without the bitmap
    # "MS Sans Serif" (above), Wine draws the dialogs that name it with Debian's Liberation Sans.
    link='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
    for face in "Tahoma Bold" "Liberation Sans" "Liberation Sans Bold" "Segoe UI" "Segoe UI Bold" \
                "Arial" "Arial Bold"; do
        wine reg add "$link" /v "$face" /t REG_MULTI_SZ /d "$cjk_file,$cjk_face" /f >/dev/null 2>&1
    done
else
    echo "prefix-fonts.sh: $cjk_source is missing (make deps installs fonts-wqy-microhei):" \
         "Japanese and Chinese texts will show boxes" >&2
fi
