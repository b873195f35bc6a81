#include "cli.h"
#include "host_system.h"
#include "standard_output.h"

#include <iostream>

int main(int argc, char** argv)
{
    const kwpack::Utf8Console utf8;
    kwpack::StandardOutput out;
    kwpack::Console console{out, std::cerr, kwpack::StderrIsTerminal(), [&out] { return out.Failure(); }};
    return kwpack::RunKwpack(argc, argv, console);
}
