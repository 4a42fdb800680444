#!/usr/bin/env bash
# Builds the Windows program: one self-contained orvane-cache-importer.exe
# (MinGW-w64, statically linked, stripped), and a ZIP holding it with the
# README and the licence, both under dist/; prints their SHA-256.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
ovcache_install cmake ninja-build g++-mingw-w64-x86-64-posix nlohmann-json3-dev gettext zip

cmake --workflow --preset windows-package --fresh
mkdir -p dist
cp build-win-release/orvane-cache-importer.exe build-win-release/orvane-cache-importer-*-windows-x64.zip dist/
cd dist
ls -l orvane-cache-importer.exe orvane-cache-importer-*-windows-x64.zip
sha256sum orvane-cache-importer.exe orvane-cache-importer-*-windows-x64.zip
