#pragma once

#include "commands.h"

namespace kwpack {

// Parses kwpack's command line and runs the command it names; returns the exit status.
int RunKwpack(int argc, const char* const* argv, Console& console);

} // namespace kwpack
