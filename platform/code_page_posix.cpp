// Code pages in the POSIX stand-in, through glibc's iconv. The code page of
// paths is the process's own setting here, as the system's is on Windows.

#include "platform.h"
#include "platform_detail.h"

#include <iconv.h>

namespace plat {
namespace {

struct CodePageInfo {
    unsigned number;
    const char* charset; // iconv's name for it
    // The ranges of bytes that start a two-byte character; none for a single-byte code page.
    unsigned char leadRanges[2][2];
};

constexpr CodePageInfo kCodePageInfo[] = {
    {874, "CP874", {}},
    {932, "CP932", {{0x81, 0x9F}, {0xE0, 0xFC}}},
    {936, "CP936", {{0x81, 0xFE}}},
    {949, "CP949", {{0x81, 0xFE}}},
    {950, "CP950", {{0x81, 0xFE}}},
    {1250, "CP1250", {}},
    {1251, "CP1251", {}},
    {1252, "CP1252", {}},
    {1253, "CP1253", {}},
    {1254, "CP1254", {}},
    {1255, "CP1255", {}},
    {1256, "CP1256", {}},
    {1257, "CP1257", {}},
    {1258, "CP1258", {}},
};

const CodePageInfo* Find(unsigned codePage)
{
    for (const CodePageInfo& info : kCodePageInfo) {
        if (info.number == codePage)
            return &info;
    }
    return nullptr;
}

unsigned g_pathCodePage = kDefaultCodePage;

struct IconvTraits {
    using Type = iconv_t;
    static Type Invalid() noexcept { return reinterpret_cast<iconv_t>(-1); }
    static void Close(Type converter) noexcept { ::iconv_close(converter); }
};
using UniqueIconv = UniqueAny<IconvTraits>;

bool Convert(const char* to, const char* from, const std::string& in, std::string& out)
{
    UniqueIconv converter(::iconv_open(to, from));
    if (!converter)
        return false;
    // Room for the widest case: a byte of a code page that becomes three of UTF-8.
    std::string buffer(in.size() * 3 + 16, '\0');
    char* source = const_cast<char*>(in.data());
    std::size_t sourceLeft = in.size();
    char* target = buffer.data();
    std::size_t targetLeft = buffer.size();
    const std::size_t failed = static_cast<std::size_t>(-1);
    if (::iconv(converter.Get(), &source, &sourceLeft, &target, &targetLeft) == failed)
        return false;
    // Code page 1258 holds back a letter that a following accent could join.
    if (::iconv(converter.Get(), nullptr, nullptr, &target, &targetLeft) == failed)
        return false;
    buffer.resize(buffer.size() - targetLeft);
    out = std::move(buffer);
    return true;
}

} // namespace

bool SystemDecode(const std::string& bytes, unsigned codePage, std::string& text)
{
    const CodePageInfo* info = Find(codePage);
    return info != nullptr && Convert("UTF-8", info->charset, bytes, text);
}

bool SystemEncode(const std::string& text, unsigned codePage, std::string& bytes)
{
    const CodePageInfo* info = Find(codePage);
    return info != nullptr && Convert(info->charset, "UTF-8", text, bytes);
}

unsigned PathCodePage() { return g_pathCodePage; }

bool SetPathCodePage(unsigned codePage)
{
    if (Find(codePage) == nullptr)
        return false;
    g_pathCodePage = codePage;
    return true;
}

bool IsLeadByte(unsigned char byte)
{
    // The path code page is always one of the table's.
    for (const auto& range : Find(g_pathCodePage)->leadRanges) {
        if (range[0] != 0 && byte >= range[0] && byte <= range[1])
            return true;
    }
    return false;
}

} // namespace plat
