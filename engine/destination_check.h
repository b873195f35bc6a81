#pragma once

#include <string>

// The folder an extraction writes into, as the system reads it. The name check
// works on a name's text; this asks the system how it will actually read the
// joined path, so a rule the name check does not know cannot lead a write
// outside the folder. The folder's own full path is taken once.
class DestinationFolder {
public:
    explicit DestinationFolder(const std::string& folder);

    // True when the full path of folder + name lies below the folder's full
    // path. A path the system cannot make a full path of (too long, say) is
    // not inside.
    bool Contains(const std::string& name) const;

private:
    std::string m_folder;
    std::string m_base; // the folder's full path ending in `\`; empty when it has none
};
