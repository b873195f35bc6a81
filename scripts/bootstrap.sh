#!/bin/sh
# Installs the Debian packages the build and the tests need. Does nothing when
# they are all present; runs apt-get update only when something is missing.
set -eu

# The x86_64 compiler and wine64 serve machines that run no 32-bit programs
# (scripts/test-windows.sh).
packages="cmake make g++ googletest libgtest-dev libcli11-dev g++-mingw-w64-i686-posix
binutils-mingw-w64-i686 g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine32:i386 wine64
xvfb xauth x11-utils imagemagick clang libclang-rt-14-dev git openssl osslsigncode"
# Only `make bench` needs these.
if [ "${1:-}" = "--bench" ]; then
    packages="$packages gnuplot-nox zip unzip time python3"
fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    need_update=1
fi

missing=""
for package in $packages; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing="$missing $package"
done

if [ -z "$missing" ]; then
    exit 0
fi

echo "bootstrap: installing$missing"
export DEBIAN_FRONTEND=noninteractive
# A mirror caught mid-sync fails one index now and then; the others, and the
# lists already on the machine, still serve, so a failed update is only a warning.
for attempt in 1 2 3; do
    apt-get update -q && break
    echo "bootstrap: apt-get update failed (attempt $attempt)" >&2
    sleep 5
done
# shellcheck disable=SC2086
if ! apt-get install -y -q $missing; then
    # Without one architecture's security index, the 32-bit libraries Wine
    # needs cannot match their 64-bit twins; the release's own versions can.
    release=$(. /etc/os-release && echo "$VERSION_CODENAME")
    echo "bootstrap: retrying with the $release release's own versions" >&2
    # shellcheck disable=SC2086
    apt-get install -y -q -t "$release" $missing
fi
