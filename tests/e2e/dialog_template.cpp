#include "dialog_template.h"

#include <stdexcept>

namespace e2e {
namespace {

constexpr std::uint32_t kSetFont = 0x40;    // DS_SETFONT
constexpr std::uint32_t kShellFont = 0x48;  // DS_SHELLFONT

class Reader {
public:
    explicit Reader(const std::vector<std::uint8_t>& bytes) : m_bytes(bytes) {}

    std::uint8_t Byte()
    {
        Need(1);
        return m_bytes[m_offset++];
    }
    std::uint16_t Word()
    {
        const std::uint16_t low = Byte();
        return static_cast<std::uint16_t>(low | (Byte() << 8));
    }
    std::uint32_t Dword()
    {
        const std::uint32_t low = Word();
        return low | (static_cast<std::uint32_t>(Word()) << 16);
    }
    int Short() { return static_cast<std::int16_t>(Word()); }

    // A zero-terminated UTF-16 string, kept only where it is plain ASCII.
    std::string String()
    {
        std::string text;
        for (std::uint16_t c = Word(); c != 0; c = Word())
            text += c < 0x80 ? static_cast<char>(c) : '?';
        return text;
    }
    // A string, or 0xFFFF and an ordinal (written as "#n"), or 0 for none.
    std::string StringOrOrdinal()
    {
        Need(2);
        if (m_bytes[m_offset] == 0xFF && m_bytes[m_offset + 1] == 0xFF) {
            Word();
            return "#" + std::to_string(Word());
        }
        return String();
    }
    void AlignToDword() { m_offset = (m_offset + 3) & ~static_cast<size_t>(3); }
    void Skip(size_t count)
    {
        Need(count);
        m_offset += count;
    }

private:
    void Need(size_t count) const
    {
        if (m_offset + count > m_bytes.size())
            throw std::runtime_error("dialog template ends early");
    }

    const std::vector<std::uint8_t>& m_bytes;
    size_t m_offset = 0;
};

std::string ClassName(const std::string& stored)
{
    if (stored == "#128") return "button";
    if (stored == "#129") return "edit";
    if (stored == "#130") return "static";
    if (stored == "#131") return "listbox";
    if (stored == "#132") return "scrollbar";
    if (stored == "#133") return "combobox";
    std::string lower = stored;
    for (char& c : lower)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return lower;
}

} // namespace

DialogTemplate ParseDialogTemplateEx(const std::vector<std::uint8_t>& bytes)
{
    Reader in(bytes);
    if (in.Word() != 1 || in.Word() != 0xFFFF)
        throw std::runtime_error("not an extended dialog template");
    DialogTemplate dialog;
    in.Dword(); // help id
    dialog.exStyle = in.Dword();
    dialog.style = in.Dword();
    const int count = in.Word();
    dialog.x = in.Short();
    dialog.y = in.Short();
    dialog.cx = in.Short();
    dialog.cy = in.Short();
    dialog.menu = in.StringOrOrdinal();
    dialog.className = in.StringOrOrdinal();
    dialog.caption = in.String();
    if ((dialog.style & kSetFont) != 0 || (dialog.style & kShellFont) == kShellFont) {
        dialog.pointSize = in.Word();
        dialog.weight = in.Word();
        dialog.italic = in.Byte();
        dialog.charset = in.Byte();
        dialog.typeface = in.String();
    }
    for (int i = 0; i < count; ++i) {
        in.AlignToDword();
        DialogItem item;
        in.Dword(); // help id
        item.exStyle = in.Dword();
        item.style = in.Dword();
        item.x = in.Short();
        item.y = in.Short();
        item.cx = in.Short();
        item.cy = in.Short();
        item.id = static_cast<std::int32_t>(in.Dword());
        item.className = ClassName(in.StringOrOrdinal());
        item.text = in.StringOrOrdinal();
        in.Skip(in.Word()); // creation data
        dialog.items.push_back(item);
    }
    return dialog;
}

} // namespace e2e
