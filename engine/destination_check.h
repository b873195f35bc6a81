#pragma once

#include <string>

// True when the full path the system makes of folder + name lies below the
// folder's own full path. The name check works on the name's text; this asks
// the system how it will actually read the joined path, so a rule the name
// check does not know cannot lead a write outside the folder. A path the
// system cannot make a full path of (too long, say) is not inside.
bool StaysInsideFolder(const std::string& folder, const std::string& name);
