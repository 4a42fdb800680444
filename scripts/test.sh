#!/usr/bin/env bash
# Builds everything and runs the whole test suite: the native one (the
# window's tests run offscreen, no display needed), then the core's suite
# cross-built for Windows and run under Wine (skipped with OVCACHE_NATIVE_ONLY=1).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
ovcache_install "${OVCACHE_PACKAGES[@]}"

cmake --preset default
cmake --build --preset default
QT_QPA_PLATFORM=offscreen ctest --preset default

if [ "${OVCACHE_NATIVE_ONLY:-0}" != 1 ]; then
    bash scripts/test-windows.sh
fi
