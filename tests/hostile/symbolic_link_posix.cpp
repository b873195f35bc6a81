#include "symbolic_link.h"

#include "test_support.h"

#include <unistd.h>

namespace kwtest {

bool MakeSymbolicLink(const std::string& folder, const std::string& link, const std::string& target)
{
    return ::symlink(target.c_str(), Native(folder + link).c_str()) == 0;
}

std::string SystemPath(const std::string& enginePath) { return Native(enginePath); }

} // namespace kwtest
