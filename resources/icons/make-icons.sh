#!/usr/bin/env bash
# Draws the program's hicolor PNG icons from halcyra-viewer.svg (needs rsvg-convert, from librsvg2-bin).
# The PNGs are kept in the repository; run this again after changing the drawing.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" -o "halcyra-viewer-$size.png" halcyra-viewer.svg
done
