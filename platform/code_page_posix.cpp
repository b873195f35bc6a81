// Code pages in the POSIX stand-in, through tables of Windows' own
// conversions rather than the C library's, whose tables differ from Windows'
// in corners: names must read here as the installer reads them there. The
// code page of paths is the process's own setting here, as the system's is
// on Windows.

#include "code_page_table.h"
#include "platform.h"
#include "platform_detail.h"

namespace plat {
namespace {

unsigned g_pathCodePage = kDefaultCodePage;

} // namespace

bool SystemDecode(const std::string& bytes, unsigned codePage, std::string& text)
{
    const CodePageTable* table = FindCodePageTable(codePage);
    return table != nullptr && DecodeByTable(*table, bytes, text);
}

bool SystemEncode(const std::string& text, unsigned codePage, std::string& bytes)
{
    const CodePageTable* table = FindCodePageTable(codePage);
    return table != nullptr && EncodeByTable(*table, text, bytes);
}

unsigned PathCodePage() { return g_pathCodePage; }

bool SetPathCodePage(unsigned codePage)
{
    if (FindCodePageTable(codePage) == nullptr)
        return false;
    g_pathCodePage = codePage;
    return true;
}

// The path code page is always one of the tables'.
bool IsLeadByte(unsigned char byte) { return IsLeadByteInTable(*FindCodePageTable(g_pathCodePage), byte); }

} // namespace plat
