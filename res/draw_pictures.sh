#!/bin/sh
# Draws the program's pictures with ImageMagick and writes them next to this
# script: app.ico (program icon, 16 to 64 px), finder.ico (finder tool, 16 to
# 64 px), finder.cur (finder cursor, 32/48/64 px, hotspot at the centre) and
# tray.bmp, tray144.bmp, tray192.bmp (the Close to Systray notice's picture,
# 86 x 56 at 96 DPI and its sizes for 144 and 192 DPI, 24-bit). Each size is
# drawn for itself, so the pictures stay sharp at every display scaling.
# Needs ImageMagick's convert and python3. The output is the same on every run,
# so the files can be committed and redrawn only when this script changes.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# -define png:exclude-chunks keeps time stamps out, so reruns give equal files.
png() { convert "$@" -define png:exclude-chunks=date,time "$work/$out"; }

# Program icon: a window whose pane is half covered by a violet curtain on
# each side. Drawn on a 48-unit grid and scaled to each size.
app_icon() {
    size=$1
    s=$(awk "BEGIN { print $size / 48 }")
    out=app$size.png
    png -size "${size}x${size}" xc:none -draw "scale $s,$s
        stroke #27313f stroke-width 2
        fill #e8f1fb roundrectangle 3,5 44,42 3,3
        stroke none fill #2f6fc4 rectangle 4,6 43,12
        fill #ffffff rectangle 36,8 41,10
        stroke #27313f stroke-width 1 line 4,13 43,13
        stroke none fill #6b3fa6 path 'M 4,14 L 23,14 Q 15,24 13,41 L 4,41 Z'
        fill #6b3fa6 path 'M 43,14 L 24,14 Q 32,24 34,41 L 43,41 Z'
        stroke #9a74d1 stroke-width 1.5 fill none
        path 'M 8,15 Q 7,28 7,40' path 'M 14,15 Q 11,28 10,40'
        path 'M 39,15 Q 40,28 40,40' path 'M 33,15 Q 36,28 37,40'
        stroke none fill #e2b646 circle 12,29 14,29 circle 35,29 37,29"
}

# Finder tool: a target with cross hairs on a white disc.
finder_icon() {
    size=$1
    s=$(awk "BEGIN { print $size / 32 }")
    out=finder$size.png
    png -size "${size}x${size}" xc:none -draw "scale $s,$s
        stroke #1a1a1a stroke-width 1.6 fill #ffffff circle 16,16 16,2
        fill none circle 16,16 16,9
        stroke-width 1.4 line 16,0 16,12 line 16,20 16,32 line 0,16 12,16 line 20,16 32,16
        stroke none fill #d02020 circle 16,16 16,13.6"
}

app_sizes="16 20 24 32 40 48 64"
for size in $app_sizes; do app_icon "$size"; done
convert $(for size in $app_sizes; do echo "$work/app$size.png"; done) "$here/app.ico"

finder_sizes="32 16 24 40 48 64"
for size in $finder_sizes; do finder_icon "$size"; done
convert $(for size in $finder_sizes; do echo "$work/finder$size.png"; done) "$here/finder.ico"

# Finder cursor: thin black cross hairs and ring with a white outline, so the
# cursor shows on dark and light windows alike; the lines cross at the centre
# (16, 16 on the 32-pixel grid). Larger sizes scale the grid by whole pixels.
finder_cursor() {
    size=$1
    k=$((size / 32))
    h=$(( (size - 32 * k) / 2 ))
    out=cursor$size.png
    png -size "${size}x${size}" xc:none +antialias -draw "translate $h,$h scale $k,$k
        stroke #ffffff stroke-width 3 fill none circle 16,16 16,8
        line 16,1 16,12 line 16,20 16,31 line 1,16 12,16 line 20,16 31,16
        stroke #000000 stroke-width 1 circle 16,16 16,8
        line 16,2 16,12 line 16,20 16,30 line 2,16 12,16 line 20,16 30,16
        fill #000000 point 16,16"
}
finder_cursor 32; finder_cursor 64
# 48 pixels: the 32-pixel grid at one and a half times, drawn with whole-pixel lines.
out=cursor48.png
png -size 48x48 xc:none +antialias -draw "
    stroke #ffffff stroke-width 4 fill none circle 24,24 24,12
    line 24,1 24,18 line 24,30 24,46 line 1,24 18,24 line 30,24 46,24
    stroke #000000 stroke-width 2 circle 24,24 24,12
    line 24,2 24,18 line 24,30 24,45 line 2,24 18,24 line 30,24 45,24
    fill #000000 rectangle 23,23 24,24"
convert "$work/cursor32.png" "$work/cursor48.png" "$work/cursor64.png" "$work/cursor.ico"
# A .cur file is an .ico file with resource type 2 whose directory entries
# carry the hotspot in place of the planes and bit-count fields.
python3 - "$work/cursor.ico" "$here/finder.cur" <<'PY'
import struct, sys
data = bytearray(open(sys.argv[1], "rb").read())
reserved, kind, count = struct.unpack_from("<HHH", data, 0)
if reserved != 0 or kind != 1 or count < 1:
    sys.exit("finder cursor: unexpected icon header")
struct.pack_into("<H", data, 2, 2)
for index in range(count):
    entry = 6 + 16 * index
    size = data[entry] or 256
    struct.pack_into("<HH", data, entry + 4, size // 2, size // 2)
open(sys.argv[2], "wb").write(data)
PY

# Tray picture: the bottom edge of the desktop and, on the task bar, the
# sunken notification area with a loudspeaker and a clock. The program draws
# its own 32 x 32 icon at (15, 12) in the free left part of that area and a
# black frame along the picture's edges (at 96 DPI; as much larger at a higher
# DPI). The picture is pixel art: the 192-DPI one doubles every pixel, the
# 144-DPI one is three times the pixels averaged down by half.
digit() {
    # digit X Y ROWS...: five rows of three cells, '#' set, '.' clear; each
    # cell is 2 x 2 pixels.
    dx=$1; dy=$2; shift 2
    for row in "$@"; do
        for i in 1 2 3; do
            if [ "$(printf '%s' "$row" | cut -c "$i")" = "#" ]; then
                x=$((dx + 2 * (i - 1)))
                printf 'rectangle %d,%d %d,%d\n' "$x" "$dy" $((x + 1)) $((dy + 1))
            fi
        done
        dy=$((dy + 2))
    done
}
clock=$( {
    digit 49 35 '.#.' '##.' '.#.' '.#.' '###'
    digit 56 35 '##.' '..#' '.#.' '#..' '###'
    printf 'rectangle 63,37 64,38\nrectangle 63,41 64,42\n'
    digit 66 35 '.#.' '#.#' '#.#' '#.#' '.#.'
    digit 73 35 '.#.' '#.#' '#.#' '#.#' '.#.'
} )
out=tray.png
png -size 86x56 xc:'#d4d0c8' +antialias -draw "
    fill #3a6ea5 rectangle 0,0 85,4
    fill #ffffff rectangle 0,5 85,5
    fill #808080 rectangle 9,8 80,8 rectangle 9,8 9,48
    fill #ffffff rectangle 10,48 80,48 rectangle 80,9 80,48
    fill #000000 polygon 57,16 60,16 64,12 64,26 60,22 57,22
    stroke #000000 fill none line 67,16 68,19 line 68,19 67,22 line 70,14 71,19 line 71,19 70,24
    stroke none fill #000000
    $clock"
bmp() { convert "$work/tray.png" "$@" -alpha off -type TrueColor BMP3:"$here/$out"; }
out=tray.bmp; bmp
out=tray144.bmp; bmp -filter point -resize 300% -filter box -resize 50%
out=tray192.bmp; bmp -filter point -resize 200%
