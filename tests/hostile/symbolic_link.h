#pragma once

#include <string>

namespace kwtest {

// A symbolic link `name` in the engine folder `folder` to `target`, written as
// the system's own link text (relative to the link's folder, or absolute),
// there from construction until the object ends; only the link itself is then
// removed, never what it points at.
class SymbolicLink {
public:
    SymbolicLink(const std::string& folder, const std::string& name, const std::string& target);
    ~SymbolicLink();
    SymbolicLink(const SymbolicLink&) = delete;
    SymbolicLink& operator=(const SymbolicLink&) = delete;

    // False when this system cannot make a link here.
    bool Made() const { return m_made; }

private:
    std::string m_folder;
    std::string m_name;
    bool m_made = false;
};

// `enginePath` as the system's own absolute path, for an absolute link's text.
std::string SystemPath(const std::string& enginePath);

// True when the system opens a link as itself when asked to, so that a
// program may remove it without touching what it leads to. Wine opens what
// it leads to.
bool SystemOpensLinksThemselves();

} // namespace kwtest
