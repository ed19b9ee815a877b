#!/usr/bin/env bash
# Draws the window program's own pictures (run by hand when they change; the results are committed):
# the program icon, the maker's picture (Image1) and the small social-page picture (Image2).
# Every picture is drawn from the shapes below, the two window pictures once for each scale the
# window picks from (100 % is 96 dpi), so none is ever a blown-up copy of a small one.
set -euo pipefail
cd "$(dirname "$0")/../app/art"
im=/usr/bin/convert   # ImageMagick itself
font=DejaVu-Sans-Bold
scales=(100 125 150 200 250 300)  # keep in step with kArtScales in app/main_window_win.cpp

# awk does the arithmetic: `calc 'expression'` prints it rounded to a whole number.
calc() { awk "BEGIN { printf \"%.0f\", $1 }"; }
# The MVG transform that draws pixel-centre coordinates of the 100 % picture `k` times larger.
affine() { awk "BEGIN { k = $1; printf \"affine %g,0,0,%g,%g,%g\", k, k, (k - 1) / 2, (k - 1) / 2 }"; }

# A rounded blue tile with a monitor whose screen holds three bars, drawn SIZE pixels square.
tile() {
  local size=$1 out=$2
  "$im" -size "${size}x${size}" xc:none -draw "$(affine "$size/256")
    fill '#1f4e9a' roundrectangle 8,8 247,247 40,40
    fill '#2f7bd1' roundrectangle 8,8 247,180 40,40
    fill white roundrectangle 40,52 216,176 12,12
    fill '#163a73' rectangle 54,66 202,162
    fill '#5fd068' rectangle 72,120 98,156
    fill '#f6b93b' rectangle 115,96 141,156
    fill '#e8f1fb' rectangle 158,78 184,156
    fill white rectangle 116,176 140,200 roundrectangle 80,196 176,212 6,6" "$out"
}

tile 256 icon-master.png
"$im" icon-master.png -depth 8 -define icon:auto-resize=256,64,48,40,32,24,20,16 sysinfo.ico

for scale in "${scales[@]}"; do
  s=$(awk "BEGIN { print $scale / 100 }")
  # Image1: the maker's picture, 180 by 190 pixels at 100 %; its tile drawn large, then reduced.
  tile "$(calc "256 * $s")" tile.png
  width=$(calc "180 * $s") height=$(calc "190 * $s") border=$(calc "$s")
  inset=$(awk "BEGIN { print ($border - 1) / 2 }")
  "$im" -size "${width}x${height}" gradient:'#2f7bd1-#173f80' \
    \( tile.png -resize "$(calc "96 * $s")x" \) -geometry "+$(calc "42 * $s")+$(calc "14 * $s")" \
    -composite \
    -font "$font" -fill white -gravity north -pointsize "$(awk "BEGIN { print 24 * $s }")" \
    -annotate "+0+$(calc "118 * $s")" 'Veltrix' \
    -font DejaVu-Sans -pointsize "$(awk "BEGIN { print 11 * $s }")" -fill '#dbe8f7' \
    -annotate "+0+$(calc "152 * $s")" 'System Information' \
    -gravity northwest -fill none -stroke '#0f2f60' -strokewidth "$border" \
    -draw "rectangle $inset,$inset $(awk "BEGIN { print $width - 1 - $inset }"),$(awk "BEGIN { print $height - 1 - $inset }")" \
    -type TrueColor "BMP3:logo-$scale.bmp"

  # Image2: a 16 by 16 "share" glyph at 100 %, three linked dots on a blue tile.
  size=$(calc "16 * $s")
  "$im" -size "${size}x${size}" xc:'#2f6fc4' -draw "$(affine "$s")
    stroke white stroke-width 1 line 4,8 11,4 line 4,8 11,12 stroke none
    fill white circle 4,8 6,8 circle 11,4 13,4 circle 11,12 13,12" \
    -type TrueColor "BMP3:social-$scale.bmp"
done
rm icon-master.png tile.png
