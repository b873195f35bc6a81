# Where Debian's Wine keeps its loaders (wine runs 32-bit programs, wine64
# 64-bit ones) and wineservers, which the scripts start directly, and its own
# fonts. Sourced by the scripts that start Wine.
wine_dir=/usr/lib/wine
wine_fonts=/usr/share/wine/fonts
