#!/usr/bin/env bash
# Draws the program's images with ImageMagick: the window background
# (background.png, 503 x 603) and the application icon (icon.png). The PNG
# files are kept in the repository; run this only to change them.
#
# The background has light panels behind the control groups of the main
# window: file buttons and output chooser at the top, the program editor, the
# 16 step rows (every second row on a darker stripe), the global settings, and the footer line at the bottom.
set -euo pipefail
cd "$(dirname "$0")"

page_top='#dfe5ec'
page_bottom='#c9d2dc'
panel='#f1f4f7'
panel_edge='#8f9cab'
stripe='#e4e9ef'
accent='#6f8fae'
footer='#b9c4d0'

convert -size 503x603 "gradient:${page_top}-${page_bottom}" \
    -fill "$panel" -stroke "$panel_edge" -strokewidth 1 \
    -draw "roundrectangle 14,7 361,84 6,6" \
    -draw "roundrectangle 371,7 489,84 6,6" \
    -draw "roundrectangle 14,97 489,202 6,6" \
    -draw "roundrectangle 14,207 489,518 6,6" \
    -draw "roundrectangle 14,526 489,576 6,6" \
    -stroke none -fill "$stripe" \
    -draw "rectangle 15,229 488,247" -draw "rectangle 15,267 488,285" \
    -draw "rectangle 15,305 488,323" -draw "rectangle 15,343 488,361" \
    -draw "rectangle 15,381 488,399" -draw "rectangle 15,419 488,437" \
    -draw "rectangle 15,457 488,475" -draw "rectangle 15,495 488,513" \
    -fill "$stripe" -draw "rectangle 15,124 488,153" \
    -fill "$accent" \
    -draw "rectangle 382,58 391,74" -draw "rectangle 395,46 404,74" \
    -draw "rectangle 408,34 417,74" -draw "rectangle 421,52 430,74" \
    -draw "rectangle 434,22 443,74" -draw "rectangle 447,40 456,74" \
    -draw "rectangle 460,28 469,74" -draw "rectangle 473,50 478,74" \
    -fill "$footer" -draw "rectangle 0,580 502,602" \
    -stroke "$panel_edge" -draw "line 0,580 502,580" \
    -strip -define png:color-type=2 PNG24:background.png

convert -size 128x128 xc:none \
    -fill "$panel" -stroke "$panel_edge" -strokewidth 3 \
    -draw "roundrectangle 4,4 123,123 18,18" \
    -stroke none -fill "$accent" \
    -draw "rectangle 20,78 33,104" -draw "rectangle 39,58 52,104" \
    -draw "rectangle 58,38 71,104" -draw "rectangle 77,66 90,104" \
    -draw "rectangle 96,24 109,104" \
    -strip PNG32:icon.png
