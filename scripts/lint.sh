#!/usr/bin/env bash
# Formatting and clang-tidy over the project's own sources; fails on any
# finding.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
ovcache_install "${OVCACHE_PACKAGES[@]}" clang-format clang-tidy

# Each layer includes only those below it: platform <- catalogue <- forms and
# console <- qt or win32; no toolkit below the front ends, and no front end in another.
layer_check() { # folder, pattern it must not include, what that would mean
    if git grep -n -E "$2" -- "src/$1"; then
        echo "include direction: $3"
        exit 1
    fi
}
layer_check platform '#include "(catalogue|forms|qt|win32)/' "the platform layer includes a layer above it"
layer_check catalogue '#include "(forms|qt|win32)/' "the catalogue includes a layer above it"
layer_check forms '#include "(console|qt|win32)/' "the shared forms include a front end"
layer_check console '#include "(forms|qt|win32)/' "the command line includes a window's code"
layer_check qt '#include "win32/' "the Qt program includes the Windows one"
layer_check win32 '#include "qt/' "the Windows program includes the Qt one"
for core in catalogue forms console; do
    layer_check "$core" '#include <(Q[A-Za-z]*|windows\.h)>' "a toolkit or the Windows API in the core or the shared forms"
done
echo "Include direction: each layer includes only those below it."

files=$(git ls-files '*.cpp' '*.h')
clang-format --dry-run --Werror $files
echo "clang-format: every file is formatted."

cmake --preset default >/dev/null
cmake --build --preset default >/dev/null # the window's generated sources
run-clang-tidy -p build -quiet $(git ls-files '*.cpp' | grep -v '^fuzz/fuzzer\.cpp$') >"build/clang-tidy.log" 2>&1 ||
    { grep -E 'error:|warning:' build/clang-tidy.log; exit 1; }
echo "clang-tidy: no findings."
