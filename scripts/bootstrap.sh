#!/bin/sh
# Installs the Debian packages the build and the tests need. Does nothing when
# they are all present; runs apt-get update only when something is missing.
set -eu

packages="cmake make g++ googletest libgtest-dev libcli11-dev g++-mingw-w64-i686-posix
binutils-mingw-w64-i686 wine wine32:i386 xvfb xauth x11-utils imagemagick clang libclang-rt-14-dev
git openssl osslsigncode"
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
apt-get update -q
# shellcheck disable=SC2086
apt-get install -y -q $missing
