#!/usr/bin/env bash
# Steam's launch option for a Proton game, "%command%; orvane-cache-importer
# --move-all", run as Steam runs it: no WINEPREFIX, an empty home, and
# STEAM_COMPAT_DATA_PATH naming the game's compatdata folder, whose pfx is
# the game's prefix. The maps land in that prefix's game.
#   launchOptionTest.sh PROGRAM MAKEDEMO
set -euo pipefail
program=$1 makedemo=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/home"
"$makedemo" "$scratch/steamapps/compatdata/4711/pfx" --entries 50 --maps-only >/dev/null
status=0
env -u WINEPREFIX HOME="$scratch/home" STEAM_COMPAT_DATA_PATH="$scratch/steamapps/compatdata/4711" \
    sh -c 'true; "$0" --move-all' "$program" >/dev/null || status=$?
maps="$scratch/steamapps/compatdata/4711/pfx/drive_c/Program Files (x86)/Orvane/Maps"
placed=$(find "$maps" -name '*.kmx' | wc -l)
echo "status $status, $placed maps in $maps"
[ "$status" -le 1 ] && [ "$placed" -gt 2 ] || exit 1
# Without it, and nothing else to go on, the command says where it looked.
status=0
env -u WINEPREFIX -u STEAM_COMPAT_DATA_PATH HOME="$scratch/home" "$program" --list 2>"$scratch/err" || status=$?
cat "$scratch/err"
[ "$status" -eq 2 ] && grep -q "Orvane was not found" "$scratch/err" || exit 1
echo "1 passed, 0 failed"
