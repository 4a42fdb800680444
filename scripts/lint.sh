#!/usr/bin/env bash
# Formatting and clang-tidy over the project's own sources; fails on any
# finding.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
ovcache_install "${OVCACHE_PACKAGES[@]}" clang-format clang-tidy

# Each layer includes only those below it: platform <- catalogue <- words <-
# forms and console <- qt or win32; no toolkit below the front ends, and no
# front end in another. The build checks it too.
cmake -DSOURCE_DIR=src -P cmake/layers.cmake
echo "Include direction: each layer includes only those below it."

files=$(git ls-files '*.cpp' '*.h')
clang-format --dry-run --Werror $files
echo "clang-format: every file is formatted."

cmake --preset default >/dev/null
cmake --build --preset default >/dev/null # the window's generated sources
run-clang-tidy -p build -quiet $(git ls-files '*.cpp' | grep -v '^fuzz/fuzzer\.cpp$') >"build/clang-tidy.log" 2>&1 ||
    { grep -E 'error:|warning:' build/clang-tidy.log; exit 1; }
echo "clang-tidy: no findings."
