#pragma once

#include <string>

namespace kwtest {

// Makes `link` a second name of the file `target`, both engine paths; false
// when this system cannot make one there.
bool MakeHardLink(const std::string& link, const std::string& target);

// True when the system lists a file's names, so that a file with several can
// be found to lie wholly inside a folder.
bool SystemListsFileNames();

} // namespace kwtest
