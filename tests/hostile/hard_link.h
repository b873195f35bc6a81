#pragma once

#include <string>

namespace kwtest {

// Makes `link` a second name of the file `target`, both engine paths; false
// when this system cannot make one there.
bool MakeHardLink(const std::string& link, const std::string& target);

} // namespace kwtest
