#!/bin/sh
# Checks the shipped programs in a dist folder: the installer within its size
# budget, no debug sections in any of them, and no path of the build machine
# inside.
# Usage: check-release-files.sh DIST_FOLDER SOURCE_FOLDER
set -eu
dist=$1
source=$2
status=0
fail() {
    echo "check-release-files: $1" >&2
    status=1
}

# 192 KiB: the installer was 178,717 bytes when the budget was set, so that it
# cannot creep back towards the 303,133 it was before.
budget=$((192 * 1024))
size=$(wc -c <"$dist/PelmoraInstaller.exe")
[ "$size" -le "$budget" ] ||
    fail "PelmoraInstaller.exe is $size bytes, over its budget of $budget (192 KiB); build/dist-windows/PelmoraInstaller-size.md lists what takes them"
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
[ "$status" -ne 0 ] || echo "check-release-files: PelmoraInstaller.exe is $size bytes of its $budget; no debug sections, no build paths"
exit $status
