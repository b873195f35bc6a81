# 64-bit Windows, for running the Windows tests where no 32-bit program can run.
set(KW_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
