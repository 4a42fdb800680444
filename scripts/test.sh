#!/usr/bin/env bash
# Builds everything and runs the whole test suite:
#   - formatting and clang-tidy,
#   - the libFuzzer targets for a bounded time (FUZZ_SECONDS, 30 each),
#   - the native suite under AddressSanitizer and UndefinedBehaviorSanitizer,
#   - the Windows program and the core's suite cross-built and run under Wine,
#   - the .deb built, validated, installed, started and removed again,
#   - the native suite (the window's tests run offscreen).
# OVCACHE_NATIVE_ONLY=1 runs the last alone.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
ovcache_install "${OVCACHE_PACKAGES[@]}"

# Each step says how long it took, so that the whole stays within bounds.
step() {
    local start=$SECONDS
    bash "$1"
    echo "[$1: $((SECONDS - start)) s]"
}
if [ "${OVCACHE_NATIVE_ONLY:-0}" != 1 ]; then
    step scripts/lint.sh
    step scripts/fuzz.sh
    step scripts/sanitize.sh
    step scripts/test-windows.sh
    step scripts/package.sh
fi

cmake --preset default
cmake --build --preset default
QT_QPA_PLATFORM=offscreen ctest --preset default
