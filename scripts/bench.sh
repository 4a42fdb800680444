#!/usr/bin/env bash
# Builds the program and prints the benchmark table: each command on demo
# caches of 1,000, 10,000 and 50,000 entries against its floor (the same
# work done with plain system calls), with peak memory, and the window's list
# filled with 50,000 maps offscreen. Other sizes: bash scripts/bench.sh 2000 20000
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
ovcache_install "${OVCACHE_PACKAGES[@]}"

cmake --preset default >/dev/null
cmake --build --preset default --target ovcache-bench
build/ovcache-bench "$@"
