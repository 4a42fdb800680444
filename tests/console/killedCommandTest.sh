#!/usr/bin/env bash
# A command-line Move All killed part-way (Ctrl+C, or a launcher ending it),
# keeping the maps already there or replacing them: the next start lists
# exactly the maps still cached, the next run finishes or undoes what the
# journal lists, and the game ends as if nothing had been killed: the same
# files under the same names, the player's maps untouched, no temporary or
# set-aside file, no journal.
#   killedCommandTest.sh PROGRAM MAKEDEMO
set -euo pipefail
program=$1 makedemo=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Every file below the game, by path and size (the demo's files are large and
# sparse: their sizes tell them apart).
game() { echo "$1/drive_c/Program Files (x86)/Orvane"; }
state() { (cd "$(game "$1")" && find . -type f ! -name '*.lock' -printf '%P %s\n' | sort); }

passed=0 failed=0 killed=0
for existing in keep replace; do
    rm -rf "$scratch/clean"
    "$makedemo" "$scratch/clean" --entries 20000 --maps-only >/dev/null
    "$program" --prefix "$scratch/clean" --move-all --existing "$existing" >/dev/null || [ $? -eq 1 ]
    state "$scratch/clean" >"$scratch/expected"
    for signal in INT KILL; do
        for delay in 0.03 0.1 0.25; do
            rm -rf "$scratch/p"
            "$makedemo" "$scratch/p" --entries 20000 --maps-only >/dev/null
            # A job started with & ignores SIGINT in a script; the program is
            # given its default handling back, as in a terminal.
            (trap - INT; exec "$program" --prefix "$scratch/p" --move-all --existing "$existing" >/dev/null 2>&1) &
            pid=$!
            sleep "$delay"
            kill -"$signal" "$pid" 2>/dev/null || true
            ended=0
            wait "$pid" 2>/dev/null || ended=$?
            [ "$ended" -gt 128 ] && killed=$((killed + 1))
            # The next start lists exactly the maps still cached (every entry
            # of this cache is a map of its own key).
            listed=$("$program" --prefix "$scratch/p" --list | tail -n +4 | wc -l)
            cached=$(find "$(game "$scratch/p")/Cache" -name '*.uxx' | wc -l)
            status=0
            "$program" --prefix "$scratch/p" --move-all --existing "$existing" >/dev/null || status=$?
            state "$scratch/p" >"$scratch/got"
            if [ "$status" -le 1 ] && [ "$listed" -eq "$cached" ] && cmp -s "$scratch/expected" "$scratch/got"; then
                passed=$((passed + 1))
            else
                failed=$((failed + 1))
                echo "--existing $existing killed with SIG$signal after $delay s: status $status, $listed maps" \
                    "listed for $cached cached files; the game against a run never killed:"
                diff "$scratch/expected" "$scratch/got" | head -n 10
            fi
        done
    done
done
echo "$killed of the runs were killed before they ended"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$killed" -gt 0 ] || exit 1
