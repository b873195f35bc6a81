# A program that is killed writes no coverage counters. So that such a loss
# shows, every program of a coverage build notes each of its starts
# (scripts/coverage/start_note.c), and its own copy of the note is an object
# whose counter file records how many of those runs wrote their counters.
function(kw_note_program_starts directory)
    get_property(targets DIRECTORY ${directory} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target IN LISTS targets)
        get_target_property(type ${target} TYPE)
        if(type STREQUAL "EXECUTABLE")
            set(note ${CMAKE_BINARY_DIR}/coverage-notes/${target}.c)
            file(CONFIGURE OUTPUT ${note} CONTENT
                "#define KW_COVERAGE_PROGRAM \"${target}\"\n#include \"${PROJECT_SOURCE_DIR}/scripts/coverage/start_note.c\"\n")
            target_sources(${target} PRIVATE ${note})
        endif()
    endforeach()
    get_property(subdirectories DIRECTORY ${directory} PROPERTY SUBDIRECTORIES)
    foreach(subdirectory IN LISTS subdirectories)
        kw_note_program_starts(${subdirectory})
    endforeach()
endfunction()
