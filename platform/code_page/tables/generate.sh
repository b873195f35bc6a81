#!/bin/sh
# Writes code_page_data.cpp beside it, the code-page tables that the POSIX
# stand-in converts names with, from Windows' own conversions as Wine makes
# them: kwcodepagegen asks for every byte, pair and character, and for the
# upper case of every BMP unit. Run it again when the accepted code pages
# change; the code-page differential test (`ctest -R codepage_differential`
# in a Windows build) checks the result.
# Usage: platform/code_page/tables/generate.sh
set -eu
cd "$(dirname "$0")/../../.."
if [ "$(./scripts/run32/run32 route)" = native ]; then preset=windows; else preset=windows64; fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target kwcodepagegen
build="$PWD/build/$preset"
cmake/wine-run "$build/wineprefix" "$build/tools/codepagegen/kwcodepagegen.exe" >platform/code_page/tables/code_page_data.cpp.new
mv platform/code_page/tables/code_page_data.cpp.new platform/code_page/tables/code_page_data.cpp
echo "generate: wrote platform/code_page/tables/code_page_data.cpp"
