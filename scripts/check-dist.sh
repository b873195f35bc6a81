#!/bin/sh
# Checks the shipped programs in a dist folder: the installer at most 300 KiB,
# no debug sections in any of them, and no path of the build machine inside.
# Usage: check-dist.sh DIST_FOLDER SOURCE_FOLDER
set -eu
dist=$1
source=$2
status=0
fail() {
    echo "check-dist: $1" >&2
    status=1
}

size=$(wc -c <"$dist/PelmoraInstaller.exe")
[ "$size" -le $((300 * 1024)) ] || fail "PelmoraInstaller.exe is $size bytes, more than 300 KiB"
for program in PelmoraInstaller.exe kwpack.exe kwpack; do
    case $program in
        *.exe) objdump=i686-w64-mingw32-objdump ;;
        *) objdump=objdump ;;
    esac
    if "$objdump" -h "$dist/$program" | grep -q '\.debug_'; then
        fail "$program holds debug sections"
    fi
    # The source folder holds the build folders, so this finds either.
    if grep -qF "$source" "$dist/$program"; then
        fail "$program holds the build machine's path $source"
    fi
done
[ "$status" -ne 0 ] || echo "check-dist: PelmoraInstaller.exe is $size bytes; no debug sections, no build paths"
exit $status
