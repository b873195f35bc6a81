#!/bin/sh
# Installs the Debian packages the build and the tests need, and the locales
# the code-page tests run Wine in. Does nothing when all are present; runs
# apt-get update only when a package is missing.
set -eu

# qemu-user-static and gcc-multilib serve machines whose kernel runs no 32-bit
# code: scripts/run32 emulates the 32-bit programs there, with a small library
# of its own built for them. The x86_64 compiler builds the benchmark's Windows
# half on such machines. Wine only recommends fonts-wine, whose Marlett
# cmake/wine-run puts into each prefix.
packages="cmake make g++ googletest libgtest-dev libcli11-dev g++-mingw-w64-i686-posix
binutils-mingw-w64-i686 g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine32:i386 wine64
fonts-wine xvfb xauth x11-utils imagemagick clang libclang-rt-14-dev git openssl osslsigncode locales python3
qemu-user-static gcc-multilib"
# Only `make bench` needs these.
if [ "${1:-}" = "--bench" ]; then
    packages="$packages gnuplot-nox zip unzip time"
fi
# Only `make coverage` needs this.
if [ "${1:-}" = "--coverage" ]; then
    packages="$packages gcovr"
fi

# Wine takes the system's code page from the locale (ja_JP gives 932, pl_PL
# 1250, ru_RU 1251, and hi_IN, which has no ANSI code page of its own, 65001)
# and writes non-ASCII names to the file system only in a UTF-8 locale that
# exists.
make_locales() {
    for locale in ja_JP pl_PL ru_RU hi_IN; do
        if ! locale -a | grep -qx "$locale.utf8"; then
            echo "bootstrap: generating the locale $locale.UTF-8"
            localedef -i "$locale" -f UTF-8 "$locale.UTF-8"
        fi
    done
}

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
    make_locales
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
make_locales
