#!/bin/sh
# Packs the demo application into build/run beside a copy of the installer from
# build/dist (`make dist`), so what starts is what ships; build/dist itself
# keeps only the shipped files. Then starts the installer under Wine: on the
# user's display when DISPLAY is set; otherwise on a private Xvfb display,
# where a scripted walk-through installs into the default folder and saves a
# screenshot of each stage to build/run/screens (copied to docs/screens-*.png).
# The demo program and the walk-through come from build/windows (`make run`
# makes both); KW_WINDOWS_BUILD and KW_DIST name other folders. The 32-bit
# programs run through scripts/run32/run32, emulated where the kernel runs no
# 32-bit code.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
windows=${KW_WINDOWS_BUILD:-$root/build/windows}
shipped=${KW_DIST:-$root/build/dist}
dist=$root/build/run
prefix=$windows/wineprefix

installer=$shipped/PelmoraInstaller.exe
program=$windows/demo/pelmora.exe
walkthrough=$windows/tests/e2e/pelmora_walkthrough.exe
kwpack=$shipped/kwpack
for built in "$installer" "$program" "$kwpack"; do
    if [ ! -f "$built" ]; then
        echo "make-demo: $built is missing; run make dist and build the windows preset first (make run does)" >&2
        exit 1
    fi
done

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$root"/demo/files/* "$stage"/
cp "$program" "$stage"/pelmora.exe

rm -rf "$dist"
mkdir -p "$dist"
"$kwpack" pack "$stage" -o "$dist"
cp "$installer" "$dist"/
echo "make-demo: package and installer in $dist"

if [ -n "${DISPLAY:-}" ]; then
    cd "$dist"
    # The installed program may still show its confirmation.
    "$root"/scripts/run32/run32 exec sh -c '"$1" "$2" "$3" && WINEPREFIX="$2" wineserver -w' \
        sh "$root"/cmake/wine-run "$prefix" "$dist/PelmoraInstaller.exe"
    exit 0
fi

if [ ! -f "$walkthrough" ]; then
    echo "make-demo: $walkthrough is missing" >&2
    exit 1
fi
# The walk-through shows the question to create the folder, so start from a
# prefix where the demo has not been installed yet.
rm -rf "$prefix/drive_c/Program/KW/Pelmora"
mkdir -p "$dist/screens"
"$root"/scripts/run32/run32 exec "$root"/tests/e2e/with-display.sh "$prefix" \
    "$root"/cmake/wine-run "$prefix" "$walkthrough" "$dist/PelmoraInstaller.exe" "$dist/screens"

mkdir -p "$root/docs"
for stage_name in start question finished; do
    # No metadata: the same picture gives the same file.
    convert "$dist/screens/$stage_name.bmp" -strip "$dist/screens/$stage_name.png"
    rm "$dist/screens/$stage_name.bmp"
    cp "$dist/screens/$stage_name.png" "$root/docs/screens-$stage_name.png"
done
echo "make-demo: screenshots in $dist/screens and docs/"
