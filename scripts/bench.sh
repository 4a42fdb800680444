#!/usr/bin/env bash
# Builds the program and prints the benchmark table: each command on demo
# caches of 10,000, 50,000 and 200,000 entries against its floor (the same
# work done with bare system calls; medians of five runs, program and floor
# taking turns), with whole-process times and peak memory, a Python script
# for comparison, and the window filled with 50,000 and 200,000 maps
# offscreen. Other sizes:
# bash scripts/bench.sh 2000 20000
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
ovcache_install "${OVCACHE_PACKAGES[@]}"

cmake --preset default >/dev/null
cmake --build --preset default --target ovcache-bench
build/ovcache-bench "$@"
