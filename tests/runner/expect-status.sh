#!/bin/sh
# Runs a command and passes when it exits with the given status, so that a
# status lost on its way from a program to its caller fails the check.
# Usage: expect-status.sh STATUS COMMAND [ARGS...]
expected=$1
shift
"$@"
status=$?
if [ "$status" != "$expected" ]; then
    echo "expect-status: '$*' exited with $status, not $expected" >&2
    exit 1
fi
