// Code pages in the POSIX stand-in, through tables of Windows' own
// conversions rather than the C library's, whose tables differ from Windows'
// in corners: names must read here as the installer reads them there. The
// code page of paths is the process's own setting here, as the system's is
// on Windows.

#include "code_page.h"
#include "code_page_table.h"
#include "system_conversion.h"

namespace plat {
namespace {

unsigned g_pathCodePage = kDefaultCodePage;

} // namespace

bool SystemDecode(const std::string& bytes, unsigned codePage, std::string& text)
{
    if (codePage == kUtf8CodePage)
        return CopyStrictUtf8(bytes, text);
    const CodePageTable* table = FindCodePageTable(codePage);
    return table != nullptr && DecodeByTable(*table, bytes, text);
}

bool SystemEncode(const std::string& text, unsigned codePage, std::string& bytes)
{
    if (codePage == kUtf8CodePage)
        return CopyStrictUtf8(text, bytes);
    const CodePageTable* table = FindCodePageTable(codePage);
    return table != nullptr && EncodeByTable(*table, text, bytes);
}

unsigned PathCodePage() { return g_pathCodePage; }

bool SetPathCodePage(unsigned codePage)
{
    if (!IsKnownCodePage(codePage))
        return false;
    g_pathCodePage = codePage;
    return true;
}

// No byte of UTF-8 leads a pair: every byte of a longer character is 0x80 or above.
bool IsLeadByte(unsigned char byte)
{
    const CodePageTable* table = FindCodePageTable(g_pathCodePage);
    return table != nullptr && IsLeadByteInTable(*table, byte);
}

char16_t UpperCaseUnit(char16_t unit) { return UpperCaseByTable(unit); }

} // namespace plat
