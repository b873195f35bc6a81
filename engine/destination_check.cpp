#include "destination_check.h"

#include "platform.h"

DestinationFolder::DestinationFolder(const std::string& folder) : m_folder(folder)
{
    if (!plat::GetFullPath(folder, m_base))
        m_base.clear();
    else if (m_base.empty() || m_base.back() != '\\')
        m_base += '\\';
}

bool DestinationFolder::Contains(const std::string& name) const
{
    std::string target;
    if (m_base.empty() || !plat::GetFullPath(m_folder + name, target))
        return false;
    return target.size() > m_base.size() && target.compare(0, m_base.size(), m_base) == 0;
}
