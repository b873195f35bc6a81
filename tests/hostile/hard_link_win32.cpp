#include "hard_link.h"

#include <windows.h>

namespace kwtest {

bool MakeHardLink(const std::string& link, const std::string& target)
{
    return ::CreateHardLinkA(link.c_str(), target.c_str(), nullptr) != 0;
}

} // namespace kwtest
