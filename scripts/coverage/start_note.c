/* Built into every program of a coverage build (cmake/Coverage.cmake), with
 * KW_COVERAGE_PROGRAM naming the target: appends that name to the file named
 * by KW_COVERAGE_STARTS when the program starts. scripts/coverage/summary.py
 * sets these starts against the runs that wrote counters. */
#include <stdio.h>
#include <stdlib.h>

__attribute__((constructor)) static void kw_note_start(void)
{
    const char* notes = getenv("KW_COVERAGE_STARTS");
    if (notes == NULL || *notes == '\0')
        return;
    FILE* file = fopen(notes, "a");
    if (file == NULL)
        return;
    fputs(KW_COVERAGE_PROGRAM "\n", file);
    fclose(file);
}
