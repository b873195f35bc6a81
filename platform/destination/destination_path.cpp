#include "destination.h"

#include "paths.h"

namespace plat {

DestinationPath::DestinationPath(const std::string& folder) : m_folder(folder)
{
    if (!GetFullPath(folder, m_base))
        m_base.clear();
    else if (m_base.empty() || m_base.back() != '\\')
        m_base += '\\';
}

bool DestinationPath::Contains(const std::string& name) const
{
    std::string target;
    if (m_base.empty() || !GetFullPath(m_folder + name, target))
        return false;
    return target.size() > m_base.size() && target.compare(0, m_base.size(), m_base) == 0;
}

} // namespace plat
