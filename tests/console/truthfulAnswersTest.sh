#!/usr/bin/env bash
# What the command line says is the truth, whatever it is given: a refusal
# with --json is a document, a cache index or cached file that is a folder
# or a pipe is named as one, output that cannot be written is no success, a
# settings file that is a pipe hangs nothing, and a game folder outside any
# Wine prefix is worked on where it is.
#   truthfulAnswersTest.sh PROGRAM MAKEDEMO
set -uo pipefail
program=$1 makedemo=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config"
unset WINEPREFIX STEAM_COMPAT_DATA_PATH
mkdir -p "$HOME"
failed=0
# check NAME WANTED-STATUS PATTERN -- COMMAND...: the status, and PATTERN in
# what it printed (stdout and stderr together).
check() {
    local name=$1 want=$2 pattern=$3
    shift 4
    local output status=0
    output=$(timeout 20 "$@" 2>&1) || status=$?
    if [ "$status" -ne "$want" ] || ! grep -Eq -- "$pattern" <<<"$output"; then
        echo "FAILED $name: status $status (wanted $want), no \"$pattern\" in:"
        echo "$output" | head -n 8
        failed=$((failed + 1))
    else
        echo "ok $name"
    fi
}
game() { echo "$1/drive_c/Program Files (x86)/Orvane"; }

"$makedemo" "$scratch/p" --entries 30 --maps-only >/dev/null
cache="$(game "$scratch/p")/Cache"
first=$(sed -n 's/^\([^=]*\)=\(.*\.kmx\)\r\?$/\1/p' "$cache/cache.ini" | head -n 1)

# The settings file a pipe: read only when no folder is named, and never waited on.
mkdir -p "$XDG_CONFIG_HOME/orvane-cache-importer"
mkfifo "$XDG_CONFIG_HOME/orvane-cache-importer/Orvane Cache Importer.conf"
check "a settings pipe, a prefix named" 0 "Cache Directory" -- "$program" --prefix "$scratch/p" --list
check "a settings pipe, nothing named" 2 "not found" -- "$program" --list

# Refusals before any command, as documents.
check "a usage error with --json" 2 '"error": "--existing takes' -- "$program" --list --json --existing x
check "a game not found with --json" 2 '"status": 2' -- "$program" --game "$scratch/none" --list --json
check "a map not cached with --json" 2 'is not among the cached maps' -- \
    "$program" --prefix "$scratch/p" --move Nowhere.kmx --json

# Output nobody can read is no success.
if [ -w /dev/full ]; then
    check "a list written to a full disk" 1 "could not be written" -- \
        sh -c '"$0" --prefix "$1" --list >/dev/full' "$program" "$scratch/p"
fi

# A cached file that is a folder is said to be one, and keeps its line.
mv "$cache/$first.uxx" "$scratch/kept.uxx"
mkdir "$cache/$first.uxx"
check "a cached file that is a folder" 1 '"why": "failed"' -- "$program" --prefix "$scratch/p" --move-all --json
check "its line kept" 0 "" -- grep -q "^$first=" "$cache/cache.ini"
check "said as a folder" 1 "but a folder" -- "$program" --prefix "$scratch/p" --move-all
rmdir "$cache/$first.uxx"

# The index a folder, or a pipe: named as what it is, not as no index.
mv "$cache/cache.ini" "$scratch/cache.ini"
mkdir "$cache/cache.ini"
check "an index that is a folder" 1 '"why": "index-unreadable".*|but a folder' -- \
    "$program" --prefix "$scratch/p" --list --json
rmdir "$cache/cache.ini"
mkfifo "$cache/cache.ini"
check "an index that is a pipe" 1 "but a pipe" -- "$program" --prefix "$scratch/p" --list
rm "$cache/cache.ini"
mv "$scratch/cache.ini" "$cache/cache.ini"

# A copied install, outside any prefix: worked on where it is, its index read
# in code page 1252 unless another is named.
mkdir -p "$scratch/copy"
cp -a "$(game "$scratch/p")" "$scratch/copy/Orvane"
printf '[Cache]\r\nQ=Caf\xe9.kmx\r\n' >>"$scratch/copy/Orvane/Cache/cache.ini"
: >"$scratch/copy/Orvane/Cache/Q.uxx"
check "a game outside any prefix" 0 "Café.kmx" -- "$program" --game "$scratch/copy/Orvane" --list
check "read in code page 1251" 0 "Cafй.kmx" -- "$program" --game "$scratch/copy/Orvane" --list --code-page 1251
check "a code page this system lacks" 2 "cannot read code page" -- \
    "$program" --game "$scratch/copy/Orvane" --list --code-page 99999
check "moved where it is" 0 "Moved Café.kmx" -- "$program" --game "$scratch/copy/Orvane" --move Café.kmx
check "into its own Maps" 0 "" -- test -f "$scratch/copy/Orvane/Maps/Café.kmx"

echo "$failed failed"
[ "$failed" -eq 0 ]
