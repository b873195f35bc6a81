#!/bin/sh
# Runs the Windows tests of the 32-bit build under Wine, through run32: plain
# 32-bit Wine where the kernel runs 32-bit code, emulated where it does not.
# Usage: test-windows.sh
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
# shellcheck source=SCRIPTDIR/wine-paths.sh
. scripts/wine-paths.sh
starts_outside() { "$wine_dir/wine" --version >/dev/null 2>&1; }
route=$(scripts/run32/run32 route) || exit 1
echo "test-windows: 32-bit programs run $route here"
# Emulation forced (KW_RUN32_ROUTE) on a kernel that runs 32-bit code starts
# them out here all along; only a change says anything.
started_before=no
starts_outside && started_before=yes
scripts/run32/run32 exec ctest --preset windows
status=$?
scripts/wine-cleanup.sh
# The emulation stays inside run32's namespace: out here an i386 program
# still cannot start.
if [ "$route" = emulated ] && [ "$started_before" = no ] && starts_outside; then
    echo "test-windows: 32-bit programs start outside run32's namespace: a binfmt handler was registered machine-wide" >&2
    status=1
fi
exit $status
