# Where Debian's Wine keeps its loaders (wine runs 32-bit programs, wine64
# 64-bit ones) and wineservers, which the scripts start directly. Sourced by
# the scripts that start Wine.
wine_dir=/usr/lib/wine
