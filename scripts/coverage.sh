#!/bin/sh
# Measures which lines of the shipped code (engine/, platform/, ui/,
# tools/kwpack/) the tests run, in both builds. Builds the presets
# coverage-native and coverage-windows (instrumented, -O0 with NDEBUG as
# shipped, folders and a Wine prefix of their own, so make test's builds stay
# as they are), runs their suites, the Windows one through run32 as make test
# does but without the tests of the release in build/dist (the preset leaves
# them out: they measure nothing of these builds), and writes into
# build/coverage/, for each build: NAME.json (gcovr's JSON summary),
# NAME/index.html (with a page per file), NAME.txt (the lines not run, per
# file), NAME-lines.json (every line's count), NAME-starts.log (each
# program's starts) and NAME-runs.txt (each program's runs, and how many wrote
# counters); then prints the figures per folder, the lines not run that
# tests/coverage-gaps.md does not name, and the runs that left no counters.
# Usage: coverage.sh [JOBS]
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${1:-2}
out=$root/build/coverage
cd "$root"
mkdir -p "$out"
status=0

# Counters of an earlier run would add to this one's.
clear_counters() {
    find "build/coverage-$1" -path "build/coverage-$1/wineprefix*" -prune -o -name '*.gcda' -exec rm -f {} +
    rm -f "$out/$1-starts.log"
}

build() {
    cmake --preset "coverage-$1" >/dev/null && cmake --build --preset "coverage-$1" -j"$jobs" || exit 1
    clear_counters "$1"
}

# The shipped sources only: the generated code-page table, and the sources of
# the other system, are left out. gcovr stays out of the Wine prefix.
report() {
    name=$1
    shift
    rm -rf "${out:?}/$name"
    mkdir "$out/$name"
    gcovr --root "$root" -j "$jobs" \
        --filter 'engine/' --filter 'platform/' --filter 'ui/' --filter 'tools/kwpack/' \
        --exclude 'ui/tests/' --exclude 'platform/code_page/tables/code_page_data\.cpp' "$@" \
        --exclude-directories "build/coverage-$name/wineprefix" \
        --exclude-directories "build/coverage-$name/googletest" \
        --exclude-unreachable-branches --exclude-throw-branches \
        --json-summary "$out/$name.json" --json-summary-pretty --json "$out/$name-lines.json" \
        --html-details "$out/$name/index.html" --html-title "Pelmora Installer: $name build" \
        --txt "$out/$name.txt" \
        "build/coverage-$name" || exit 1
}

build native
KW_COVERAGE_STARTS=$out/native-starts.log ctest --preset coverage-native || status=1

build windows
route=$(scripts/run32/run32 route) || exit 1
echo "coverage: 32-bit programs run $route here"
# A counter file's path is its object's Unix path, which Windows takes as a
# path on the current drive: a program whose current drive is C: or a test's
# own drive would reach its counters only through Wine's fallback to Unix
# paths. Z: is the drive that holds /.
GCOV_PREFIX=Z: KW_COVERAGE_STARTS=Z:$out/windows-starts.log \
    scripts/run32/run32 exec ctest --preset coverage-windows || status=1
# No Wine process of this prefix outlives the run; other builds' are left alone.
WINEPREFIX=$root/build/coverage-windows/wineprefix wineserver -k 2>/dev/null

report native --exclude '.*win32'
report windows --gcov-executable i686-w64-mingw32-gcov --exclude '.*posix' --exclude 'platform/code_page/tables/code_page_table\.'
python3 scripts/coverage/summary.py "$out" tests/coverage-gaps.md native=build/coverage-native \
    windows=build/coverage-windows
echo "coverage: reports in $out: native/index.html, windows/index.html; the lines not run in native.txt, windows.txt"
[ "$status" -eq 0 ] || echo "coverage: some tests failed; the figures are of the runs that took place" >&2
exit $status
