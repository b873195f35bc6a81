#pragma once

// Shared by the two platform implementations; not for the engine.

#include "platform.h"

namespace plat {

const char* DescribeCause(int cause);
FileError MakeFileError(int cause, const std::string& path, const char* action, long systemCode);

} // namespace plat
