#!/usr/bin/env bash
# Draws the window program's own pictures (run by hand when they change; the results are committed):
# the program icon, the maker's picture (Image1) and the small social-page picture (Image2).
set -euo pipefail
cd "$(dirname "$0")/../app/art"
im=/usr/bin/convert   # ImageMagick itself
font=DejaVu-Sans-Bold

# A rounded blue tile with a monitor whose screen holds three bars.
"$im" -size 256x256 xc:none \
  -fill '#1f4e9a' -draw 'roundrectangle 8,8 247,247 40,40' \
  -fill '#2f7bd1' -draw 'roundrectangle 8,8 247,180 40,40' \
  -fill white -draw 'roundrectangle 40,52 216,176 12,12' \
  -fill '#163a73' -draw 'rectangle 54,66 202,162' \
  -fill '#5fd068' -draw 'rectangle 72,120 98,156' \
  -fill '#f6b93b' -draw 'rectangle 115,96 141,156' \
  -fill '#e8f1fb' -draw 'rectangle 158,78 184,156' \
  -fill white -draw 'rectangle 116,176 140,200' -draw 'roundrectangle 80,196 176,212 6,6' \
  icon-master.png
"$im" icon-master.png -define icon:auto-resize=48,32,16 sysinfo.ico

# Image1: the maker's picture, 180 by 190 pixels.
"$im" -size 180x190 gradient:'#2f7bd1-#173f80' \
  \( icon-master.png -resize 96x96 \) -geometry +42+14 -composite \
  -font "$font" -fill white -gravity north -pointsize 24 -annotate +0+118 'Veltrix' \
  -font DejaVu-Sans -pointsize 11 -fill '#dbe8f7' -annotate +0+152 'System Information' \
  -gravity northwest -fill none -stroke '#0f2f60' -draw 'rectangle 0,0 179,189' \
  -type TrueColor BMP3:logo.bmp

# Image2: a 16 by 16 "share" glyph, three linked dots on a blue tile.
"$im" -size 16x16 xc:'#2f6fc4' \
  -stroke white -strokewidth 1 -draw 'line 4,8 11,4' -draw 'line 4,8 11,12' -stroke none \
  -fill white -draw 'circle 4,8 6,8' -draw 'circle 11,4 13,4' -draw 'circle 11,12 13,12' \
  -type TrueColor BMP3:social.bmp
rm icon-master.png
