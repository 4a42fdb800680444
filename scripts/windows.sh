#!/usr/bin/env bash
# Builds the Windows program: one self-contained orvane-cache-importer.exe
# (MinGW-w64, statically linked, stripped), and a ZIP holding it with the
# README and the licence, both under dist/; prints their SHA-256.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
ovcache_install cmake ninja-build g++-mingw-w64-x86-64-posix zip

cmake --preset windows-release
cmake --build --preset windows-release --target ovcache

version=$(sed -n 's/^project(OrvaneCacheImporter VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
mkdir -p dist
cp build-win-release/orvane-cache-importer.exe dist/
zipName="orvane-cache-importer-$version-windows-x64.zip"
rm -f "dist/$zipName"
zip -q -j "dist/$zipName" dist/orvane-cache-importer.exe README.md LICENSE
ls -l dist/orvane-cache-importer.exe "dist/$zipName"
(cd dist && sha256sum orvane-cache-importer.exe "$zipName")
