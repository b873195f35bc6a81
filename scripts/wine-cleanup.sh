#!/bin/sh
# Ends the wineserver of every private prefix under build/, so no Wine process outlives a run.
for prefix in build/*/wineprefix; do
    [ -d "$prefix" ] && WINEPREFIX="$PWD/$prefix" wineserver -k 2>/dev/null
done
exit 0
