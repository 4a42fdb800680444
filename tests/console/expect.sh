#!/usr/bin/env bash
# Runs a command and checks both its exit status and what it printed:
#   expect.sh STATUS PATTERN COMMAND [ARGS...]
# PATTERN is an extended regular expression looked for in stdout and stderr
# together ("" for anything).
status=$1 pattern=$2
shift 2
output=$("$@" 2>&1)
got=$?
if [ "$got" -ne "$status" ]; then
    echo "exit status $got, not $status: $*"
    echo "$output"
    exit 1
fi
if [ -n "$pattern" ] && ! grep -Eq -- "$pattern" <<<"$output"; then
    echo "no \"$pattern\" in what $* printed:"
    echo "$output"
    exit 1
fi
echo "exit status $got, as expected"
