#!/usr/bin/env bash
# Formatting and clang-tidy over the project's own sources; fails on any
# finding.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
ovcache_install "${OVCACHE_PACKAGES[@]}" clang-format clang-tidy

files=$(git ls-files '*.cpp' '*.h')
clang-format --dry-run --Werror $files
echo "clang-format: every file is formatted."

cmake --preset default >/dev/null
cmake --build --preset default >/dev/null # the window's generated sources
run-clang-tidy -p build -quiet $(git ls-files '*.cpp' | grep -v '^fuzz/fuzzer\.cpp$') >"build/clang-tidy.log" 2>&1 ||
    { grep -E 'error:|warning:' build/clang-tidy.log; exit 1; }
echo "clang-tidy: no findings."
