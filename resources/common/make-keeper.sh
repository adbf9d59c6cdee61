#!/bin/sh
# Draws keeper.png, the 59 x 41 picture of the alert and question dialogs: a lighthouse keeper with
# his lantern. The teal background (top-left pixel) is the colour the dialogs leave transparent.
set -e
cd "$(dirname "$0")"
convert -size 59x41 xc:'#008080' +antialias \
 -fill '#404040' -stroke none -draw "rectangle 9,4 13,5" \
 -fill none -stroke '#404040' -draw "arc 6,3 16,13 180,360" \
 -stroke '#202020' -fill '#FFE040' -draw "rectangle 6,10 16,28" \
 -stroke none -fill '#FFFFA0' -draw "rectangle 9,13 13,24" \
 -fill '#FF8000' -draw "ellipse 11,20 2,3 0,360" \
 -fill '#202020' -draw "rectangle 5,9 17,10" -draw "rectangle 5,28 17,30" \
 -fill '#000080' -stroke '#000040' -draw "ellipse 40,44 20,12 0,360" \
 -stroke none -fill '#FFFFFF' -draw "polygon 36,33 44,33 40,40" \
 -fill '#F0C090' -stroke '#804020' -draw "circle 40,22 40,34" \
 -stroke none -fill '#000080' -draw "roundrectangle 28,2 52,11 4,4" \
 -fill '#000000' -draw "rectangle 26,11 55,13" \
 -fill '#FFD700' -draw "rectangle 38,5 42,8" \
 -fill '#000000' -draw "rectangle 34,18 36,20" -draw "rectangle 44,18 46,20" \
 -fill '#FF9090' -draw "ellipse 32,25 2,1 0,360" -draw "ellipse 48,25 2,1 0,360" \
 -fill none -stroke '#800000' -draw "arc 34,23 46,31 20,160" \
 -fill '#F0C090' -stroke '#804020' -draw "ellipse 27,22 2,3 90,270" -draw "ellipse 53,22 2,3 270,450" \
 +dither -colors 16 -type Palette PNG8:keeper.png
