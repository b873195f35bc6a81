// kwdllloader NAME...: loads each DLL by its bare name, the way a program
// that does not restrict its DLL search does. The planted-DLL test uses it to
// show that the marker DLLs work where the system would load them.

#include <windows.h>

int main(int argc, char** argv)
{
    int loaded = 0;
    for (int i = 1; i < argc; ++i)
        loaded += ::LoadLibraryA(argv[i]) != nullptr ? 1 : 0;
    return loaded == argc - 1 ? 0 : 1;
}
