#!/bin/sh
# Renders the PNG icons from the SVG. Run after changing the SVG and commit the PNGs:
# the build then needs no SVG renderer. Needs rsvg-convert (Debian: librsvg2-bin).
set -eu
cd "$(dirname "$0")"
for size in 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" io.github.nodeweave.Nodeweave.svg \
        -o "io.github.nodeweave.Nodeweave-$size.png"
done
