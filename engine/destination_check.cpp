#include "destination_check.h"

#include "platform.h"

bool StaysInsideFolder(const std::string& folder, const std::string& name)
{
    std::string base;
    std::string target;
    if (!plat::GetFullPath(folder, base) || !plat::GetFullPath(folder + name, target))
        return false;
    if (base.empty() || base.back() != '\\')
        base += '\\';
    return target.size() > base.size() && target.compare(0, base.size(), base) == 0;
}
