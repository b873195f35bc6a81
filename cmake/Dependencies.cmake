# GoogleTest and CLI11 come from Debian's packages. The Windows build compiles
# GoogleTest from Debian's source and uses CLI11's headers as they are.
if(CMAKE_CROSSCOMPILING)
    set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

    # Only CLI11's own headers: the host's /usr/include must stay out of a cross build.
    file(COPY /usr/include/CLI DESTINATION ${CMAKE_BINARY_DIR}/cli11)
    add_library(CLI11::CLI11 INTERFACE IMPORTED)
    target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${CMAKE_BINARY_DIR}/cli11)
else()
    find_package(GTest REQUIRED)
    find_package(CLI11 CONFIG REQUIRED)
endif()
