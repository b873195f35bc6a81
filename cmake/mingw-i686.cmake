# 32-bit Windows, the installer as it ships.
set(KW_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
