#!/usr/bin/env bash
# Builds everything and runs the whole test suite (the window's tests run
# offscreen, no display needed).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
ovcache_install "${OVCACHE_PACKAGES[@]}"

cmake --preset default
cmake --build --preset default
QT_QPA_PLATFORM=offscreen ctest --preset default
