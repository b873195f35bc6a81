#!/bin/sh
# Builds what a publisher ships into build/dist: PelmoraInstaller.exe, kwpack.exe
# and the host's kwpack, stripped, their debug data in build/dist/debug, signed
# when SIGN_CERT and SIGN_KEY name a certificate and its key, and SHA256SUMS.
# The same commit gives the same bytes in any folder: the link time stamp is
# the commit's time and no path of the build machine goes into a file.
# Usage: make-dist.sh [JOBS]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${1:-2}
dist=$root/build/dist
cd "$root"

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null) || {
        echo "make-dist: not a git checkout; set SOURCE_DATE_EPOCH to the release's time" >&2
        exit 1
    }
fi
export SOURCE_DATE_EPOCH
# Archive members and sorted lists must not depend on the build machine's language.
export LC_ALL=C

cmake --preset dist-windows
cmake --build --preset dist-windows -j"$jobs"
cmake --preset dist-native
cmake --build --preset dist-native -j"$jobs"

rm -rf "$dist"
mkdir -p "$dist/debug"

# Keeps the debug data beside the shipped file, which gets a link to it.
ship() {
    objcopy=$1
    built=$2
    name=$3
    "$objcopy" --only-keep-debug "$built" "$dist/debug/$name.debug"
    (cd "$dist" && "$objcopy" --strip-all --add-gnu-debuglink="debug/$name.debug" "$built" "$name")
}
ship i686-w64-mingw32-objcopy "$root/build/dist-windows/ui/PelmoraInstaller.exe" PelmoraInstaller.exe
ship i686-w64-mingw32-objcopy "$root/build/dist-windows/tools/kwpack/kwpack.exe" kwpack.exe
ship objcopy "$root/build/dist-native/tools/kwpack/kwpack" kwpack

# What takes the installer's bytes, for when it nears its budget.
"$root/scripts/size-map.py" "$root/build/dist-windows/ui/PelmoraInstaller.map" \
    >"$root/build/dist-windows/PelmoraInstaller-size.md"
"$root/scripts/check-release-files.sh" "$dist" "$root"

if [ -n "${SIGN_CERT:-}" ] || [ -n "${SIGN_KEY:-}" ]; then
    "$root/scripts/sign.sh" "$dist/PelmoraInstaller.exe" "$dist/kwpack.exe"
fi

(cd "$dist" && sha256sum PelmoraInstaller.exe kwpack.exe kwpack >SHA256SUMS)
echo "make-dist: $(ls "$dist" | tr '\n' ' ')in $dist"
