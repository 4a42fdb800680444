#!/usr/bin/env bash
# Builds the program, makes a small demo game install under build/demo (a
# Wine-style prefix with the game's registry value, folders and a cache of 20
# entries) and opens the window on it. Each run starts from a fresh demo.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
ovcache_install "${OVCACHE_PACKAGES[@]}"

cmake --preset default
cmake --build --preset default --target ovcache makedemo

rm -rf build/demo
build/makedemo build/demo --entries "${DEMO_ENTRIES:-20}"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display to open the window on (DISPLAY is not set); the demo game is ready in build/demo."
    exit 0
fi
WINEPREFIX="$PWD/build/demo" exec build/orvane-cache-importer
