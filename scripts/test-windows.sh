#!/bin/sh
# Runs the Windows tests under Wine. A kernel without 32-bit support cannot run
# the 32-bit build's programs at all; the 64-bit build of the same sources then
# runs the suite, and the 32-bit installer still gets the checks of its headers.
# Usage: test-windows.sh JOBS
set -u
jobs=${1:-2}
if ./scripts/runs-32-bit.sh; then
    ctest --preset windows
    status=$?
else
    echo "test-windows: this machine runs no 32-bit programs; the Windows tests run on the 64-bit build (preset windows64)" >&2
    status=0
    cmake --preset windows64 && cmake --build --preset windows64 -j"$jobs" && ctest --preset windows64 || status=1
    ctest --preset windows -R '^(e2e_pe_headers|installer_startup_hardening)$' || status=1
fi
./scripts/wine-cleanup.sh
exit $status
