#!/usr/bin/env bash
# Builds the whole native suite with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs it; any report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
ovcache_install "${OVCACHE_PACKAGES[@]}"

cmake --preset asan
cmake --build --preset asan
ctest --preset asan
