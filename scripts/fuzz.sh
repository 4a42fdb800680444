#!/usr/bin/env bash
# Runs each libFuzzer target for FUZZ_SECONDS (30 by default) from the seed
# corpora. An input that breaks a rule is kept in fuzz/regressions, where the
# test suite replays it from then on, and the run fails.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
ovcache_install clang libclang-rt-14-dev cmake ninja-build nlohmann-json3-dev libyaml-cpp-dev gettext

cmake --preset fuzz
cmake --build --preset fuzz

seconds=${FUZZ_SECONDS:-30}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for target in index registry launcher; do
    mkdir -p "$work/$target"
    cp fuzz/corpus/$target/* "$work/$target/"
    echo "Fuzzing the $target reader for $seconds s..."
    if ! build-fuzz/${target}Fuzzer -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$work/$target-" "$work/$target" >"$work/$target.log" 2>&1; then
        tail -n 30 "$work/$target.log"
        for found in "$work/$target"-*; do
            [ -e "$found" ] && cp "$found" "fuzz/regressions/$target-$(basename "$found" | sed "s/^$target-//")"
        done
        echo "The $target fuzzer found a fault; the input is kept in fuzz/regressions."
        status=1
    else
        grep -E '^stat::number_of_executed_units' "$work/$target.log" || true
    fi
done
exit $status
