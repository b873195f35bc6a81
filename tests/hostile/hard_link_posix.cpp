#include "hard_link.h"

#include "test_support.h"

#include <unistd.h>

namespace kwtest {

bool MakeHardLink(const std::string& link, const std::string& target)
{
    return ::link(Native(target).c_str(), Native(link).c_str()) == 0;
}

} // namespace kwtest
