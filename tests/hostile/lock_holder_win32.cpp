// kwlockholder PATH [writing]: opens PATH with no sharing at all, or with
// "writing" for writing while others may read it, as a running program holds
// its own files; writes 'L' (or 'E' when it cannot) to its standard output,
// and holds the file until its standard input ends.

#include "win32_handles.h"

#include <windows.h>

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 3)
        return 2;
    const bool writing = argc == 3;
    const plat::UniqueCreatedFile file(::CreateFileA(argv[1], writing ? GENERIC_WRITE : GENERIC_READ,
                                                     writing ? FILE_SHARE_READ : 0, nullptr, OPEN_EXISTING,
                                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    const char status = file ? 'L' : 'E';
    DWORD count = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), &status, 1, &count, nullptr);
    char ignored;
    while (::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), &ignored, 1, &count, nullptr) && count > 0) {
    }
    return 0;
}
