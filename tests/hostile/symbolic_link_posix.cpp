#include "symbolic_link.h"

#include "test_support.h"

#include <unistd.h>

namespace kwtest {

SymbolicLink::SymbolicLink(const std::string& folder, const std::string& name, const std::string& target)
    : m_folder(folder), m_name(name), m_made(::symlink(target.c_str(), Native(folder + name).c_str()) == 0)
{
}

SymbolicLink::~SymbolicLink()
{
    if (m_made)
        ::unlink(Native(m_folder + m_name).c_str());
}

std::string SystemPath(const std::string& enginePath) { return Native(enginePath); }

bool SystemOpensLinksThemselves() { return true; }

} // namespace kwtest
