#include "cli.h"
#include "host_system.h"

#include <iostream>

int main(int argc, char** argv)
{
    const kwpack::Utf8Console utf8;
    kwpack::Console console{std::cout, std::cerr, kwpack::StdoutIsTerminal()};
    return kwpack::RunKwpack(argc, argv, console);
}
