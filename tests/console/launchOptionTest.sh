#!/usr/bin/env bash
# The program as launchers run it after every game. Steam's launch option
# "orvane-cache-importer --move-all -- %command%" is run through sh -c, as
# Steam runs it, with no WINEPREFIX, an empty home, and STEAM_COMPAT_DATA_PATH
# naming the game's compatdata folder, whose pfx is the game's prefix. The
# game is a stand-in that ends as told; the maps land in that prefix's game
# once it has ended, and the launcher sees the game's own end.
#   launchOptionTest.sh PROGRAM MAKEDEMO
set -uo pipefail
program=$1 makedemo=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/home"
export HOME="$scratch/home" XDG_STATE_HOME="$scratch/state" GAME_RECORD="$scratch/record"
unset WINEPREFIX STEAM_COMPAT_DATA_PATH DBUS_SESSION_BUS_ADDRESS # no desktop to tell
compat="$scratch/steamapps/compatdata/4711"
maps="$compat/pfx/drive_c/Program Files (x86)/Orvane/Maps"
log="$XDG_STATE_HOME/orvane-cache-importer/runs.log"
failed=0

# The stand-in: records its arguments, then exits with the first, waits to
# be stopped ("wait": SIGTERM ends it with 143), or kills itself ("kill").
cat >"$scratch/game" <<'EOF'
#!/bin/sh
printf '%s\n' "$@" >"$GAME_RECORD"
case $1 in
wait) trap 'echo TERM >>"$GAME_RECORD"; exit 143' TERM; sleep 60 & wait $! ;;
kill) kill -KILL $$ ;;
*) exit "$1" ;;
esac
EOF
chmod +x "$scratch/game"

fresh() {
    rm -rf "$compat" "$GAME_RECORD"
    "$makedemo" "$compat/pfx" --entries 40 --maps-only >/dev/null
    before=$(placed)
}
placed() { find "$maps" -name '*.kmx' 2>/dev/null | wc -l; } # the demo has a few there already
started() { for _ in $(seq 100); do [ -s "$GAME_RECORD" ] && return; sleep 0.1; done; }
# result NAME GOT WANTED MAPS-PLACED?(yes|no)
result() {
    local n
    n=$(placed)
    if [ "$2" -ne "$3" ] || { [ "$4" = yes ] && [ "$n" -le "$before" ]; } || { [ "$4" = no ] && [ "$n" -ne "$before" ]; }; then
        echo "FAILED $1: status $2 (wanted $3), $n maps placed (wanted $4)"
        failed=$((failed + 1))
    else
        echo "ok $1: status $2, $n maps placed"
    fi
}
steam() {
    env STEAM_COMPAT_DATA_PATH="$compat" sh -c "\"\$0\" $1 -- \"\$1\" $2" "$program" "$scratch/game" >/dev/null 2>&1
}

# The old recipe still works: the command after the game's, in one line.
fresh
status=0
env STEAM_COMPAT_DATA_PATH="$compat" sh -c 'true; "$0" --move-all' "$program" >/dev/null || status=$?
result "a command after the game's" "$((status == 1 ? 0 : status))" 0 yes # 1: maps kept beside the player's

# The wrapper: the game's status is the launcher's, the arguments the game's.
for code in 0 1 42; do
    fresh
    status=0
    steam --move-all "$code 'two words'" || status=$?
    result "the game ends with $code" "$status" "$code" yes
    [ "$(sed -n 2p "$GAME_RECORD")" = "two words" ] || { echo "FAILED: the game's arguments: $(cat "$GAME_RECORD")"; failed=$((failed + 1)); }
done
fresh
status=0
steam --move-all kill || status=$?
result "the game killed by a signal" "$status" 137 yes

# A launcher stopping the game: SIGTERM is passed on, the game ends as it
# will, and the import runs after it.
fresh
STEAM_COMPAT_DATA_PATH="$compat" "$program" --move-all -- "$scratch/game" wait >/dev/null 2>&1 &
wrapper=$!
started
kill -TERM "$wrapper"
status=0
wait "$wrapper" || status=$?
result "SIGTERM passed on to the game" "$status" 143 yes
grep -q TERM "$GAME_RECORD" || { echo "FAILED: the game never heard SIGTERM"; failed=$((failed + 1)); }

# The wrapper killed outright: the game is not left running without it.
fresh
STEAM_COMPAT_DATA_PATH="$compat" "$program" --move-all -- "$scratch/game" wait >/dev/null 2>&1 &
wrapper=$!
started
kill -KILL "$wrapper"
wait "$wrapper"
for _ in $(seq 50); do grep -q TERM "$GAME_RECORD" && break; sleep 0.1; done
if grep -q TERM "$GAME_RECORD"; then echo "ok the game is stopped with its wrapper"; else
    echo "FAILED: the game outlived its wrapper"
    failed=$((failed + 1))
fi

# A dry run after the game changes nothing; a command that cannot start
# imports nothing; bad lines are refused before any game starts.
fresh
status=0
steam "--move-all --dry-run --json" 0 || status=$?
result "a dry run after the game" "$status" 0 no
status=0
env STEAM_COMPAT_DATA_PATH="$compat" "$program" --move-all -- "$scratch/no-such-game" 2>"$scratch/err" || status=$?
result "a game that cannot be started" "$status" 127 no
grep -q "could not be started" "$scratch/err" || { echo "FAILED: no reason said"; failed=$((failed + 1)); }
for line in "--move-all --" "--list -- true" "--dry-run" "--list --dry-run"; do
    rm -f "$GAME_RECORD"
    status=0
    # shellcheck disable=SC2086
    "$program" $line >/dev/null 2>&1 || status=$?
    result "refused: $line" "$status" 2 no
done

# Nowhere to find the game: it still starts, its status is still the
# launcher's, and the log says why nothing was imported.
status=0
"$program" --move-all -- "$scratch/game" 5 2>/dev/null || status=$?
result "no game to import into" "$status" 5 no
tac "$log" | sed '/^== /q' | grep -q "Orvane was not found" || { echo "FAILED: the log does not say why"; failed=$((failed + 1)); }
grep -q "after $scratch/game 42 two words: it ended with status 42" "$log" ||
    { echo "FAILED: the log lacks the game's run"; failed=$((failed + 1)); }

echo "$failed failed"
[ "$failed" -eq 0 ]
