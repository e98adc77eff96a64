#!/bin/sh
# Renders the application icon's PNG sizes from gravelin.svg. Run once after
# changing the SVG; the PNGs are committed, so building needs no renderer.
# Needs rsvg-convert (Debian package librsvg2-bin).
set -eu
cd "$(dirname "$0")"
for size in 16 22 24 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" gravelin.svg -o "icons/gravelin-$size.png"
done
