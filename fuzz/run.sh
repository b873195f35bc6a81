#!/bin/sh
# Runs the extraction fuzzer for the given number of seconds (default 600),
# starting from the committed corpus. New inputs go to build/fuzz/found, and a
# crash input to build/fuzz/artifacts; after fixing the fault, copy the crash
# input into fuzz/corpus so the replay in `make test` keeps it fixed. To keep
# the coverage a run gained:
#   build/fuzz/fuzz/extract_fuzzer -merge=1 fuzz/corpus build/fuzz/found
set -eu
seconds=${1:-600}
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/fuzz"
mkdir -p "$build/found" "$build/artifacts"
# Every input creates and removes a few files: in memory that is many times faster.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
    export TMPDIR=/dev/shm
fi
exec "$build/fuzz/extract_fuzzer" -max_total_time="$seconds" -print_final_stats=1 \
    -malloc_limit_mb=64 -timeout=10 -artifact_prefix="$build/artifacts/" \
    "$build/found" "$root/fuzz/corpus"
