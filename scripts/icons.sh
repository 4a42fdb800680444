#!/usr/bin/env bash
# Draws the program's icons from their one source, the SVG, into the files
# the build takes as they are (so that the build needs no image tools): the
# hicolor theme's PNG sizes, the window's icons and the Windows .ico.
# Run it after changing the SVG, and commit what it writes.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
ovcache_install librsvg2-bin imagemagick

svg=data/icons/org.orvane.CacheImporter.svg
for size in 16 22 24 32 48 64 128 256; do
    mkdir -p "data/icons/hicolor/${size}x${size}/apps"
    rsvg-convert -w "$size" -h "$size" "$svg" -o "data/icons/hicolor/${size}x${size}/apps/org.orvane.CacheImporter.png"
done
convert data/icons/hicolor/{16x16,24x24,32x32,48x48,64x64,128x128,256x256}/apps/org.orvane.CacheImporter.png \
    src/win32/orvane.ico
echo "Icons written from $svg."
