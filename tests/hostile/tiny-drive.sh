#!/bin/sh
# Maps a Wine drive letter to a small tmpfs for the disk-full tests, and takes
# it away again. Needs root to mount; without it the tests skip and say why.
# Usage: tiny-drive.sh setup|cleanup WINEPREFIX LETTER SIZE
set -u
action=$1
prefix=$2
letter=$3
size=$4
mount_point="$prefix.tiny-$letter"
link="$prefix/dosdevices/$letter:"

case "$action" in
setup)
    if [ "$(id -u)" != 0 ]; then
        echo "tiny-drive: not root, no tmpfs mounted; the disk-full tests will skip"
        exit 0
    fi
    # The prefix is made on first use; make it now so the link has a place.
    "$(dirname "$0")/../../cmake/wine-run" "$prefix" cmd /c exit 0 >/dev/null 2>&1
    mkdir -p "$mount_point"
    mountpoint -q "$mount_point" || mount -t tmpfs -o "size=$size,mode=0777" tmpfs "$mount_point" || exit 1
    rm -f "$link"
    ln -s "$mount_point" "$link"
    echo "tiny-drive: $letter: is a $size tmpfs at $mount_point"
    ;;
cleanup)
    rm -f "$link"
    if mountpoint -q "$mount_point" 2>/dev/null; then
        umount "$mount_point"
    fi
    rmdir "$mount_point" 2>/dev/null
    exit 0
    ;;
esac
