#include "screen_capture.h"

#include "test_handles_win32.h"
#include "win32_handles.h"

#include <cstdint>
#include <fstream>
#include <stdexcept>

namespace e2e {
namespace {

// Copies `area` of a device context into a 32-bit top-down bitmap.
ScreenImage CopyPixels(HDC source, const RECT& area)
{
    ScreenImage image;
    image.width = area.right - area.left;
    image.height = area.bottom - area.top;
    if (image.width <= 0 || image.height <= 0)
        throw std::runtime_error("empty capture area");

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = image.width;
    info.bmiHeader.biHeight = -image.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    plat::UniqueGdiObject<HGDIOBJ> bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    kwtest::UniqueMemoryDC memory(CreateCompatibleDC(source));
    if (!bitmap || !memory)
        throw std::runtime_error("cannot make a capture bitmap");
    const HGDIOBJ previous = SelectObject(memory.Get(), bitmap.Get());
    const BOOL copied = BitBlt(memory.Get(), 0, 0, image.width, image.height, source, area.left, area.top, SRCCOPY);
    GdiFlush();
    SelectObject(memory.Get(), previous);
    if (!copied)
        throw std::runtime_error("BitBlt from the screen failed");

    const auto* bgra = static_cast<const std::uint8_t*>(bits);
    image.pixels.resize(static_cast<size_t>(image.width) * image.height);
    for (size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = RGB(bgra[4 * i + 2], bgra[4 * i + 1], bgra[4 * i]);
    return image;
}

// The standard icon drawn on a plain background, to learn which pixels it covers.
ScreenImage DrawIconOn(HICON icon, COLORREF background, int width, int height)
{
    plat::UniqueWindowDC screen(plat::WindowDC{nullptr, GetDC(nullptr)});
    kwtest::UniqueMemoryDC memory(CreateCompatibleDC(screen.Get().dc));
    plat::UniqueGdiObject<HGDIOBJ> bitmap(CreateCompatibleBitmap(screen.Get().dc, width, height));
    const HGDIOBJ previous = SelectObject(memory.Get(), bitmap.Get());
    plat::UniqueGdiObject<HGDIOBJ> brush(CreateSolidBrush(background));
    const RECT all{0, 0, width, height};
    FillRect(memory.Get(), &all, static_cast<HBRUSH>(brush.Get()));
    DrawIconEx(memory.Get(), 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
    ScreenImage image = CopyPixels(memory.Get(), all);
    SelectObject(memory.Get(), previous);
    return image;
}

// True when every opaque pixel of the icon matches the screen.
bool ShowsIcon(const ScreenImage& shown, LPCSTR which)
{
    const HICON icon = LoadIconA(nullptr, which);
    if (icon == nullptr)
        return false;
    const ScreenImage onBlack = DrawIconOn(icon, RGB(0, 0, 0), shown.width, shown.height);
    const ScreenImage onWhite = DrawIconOn(icon, RGB(255, 255, 255), shown.width, shown.height);
    int opaque = 0;
    for (size_t i = 0; i < shown.pixels.size(); ++i) {
        if (onBlack.pixels[i] != onWhite.pixels[i])
            continue;
        ++opaque;
        if (onBlack.pixels[i] != shown.pixels[i])
            return false;
    }
    return opaque > 0;
}

} // namespace

ScreenImage CaptureScreen(const RECT& area)
{
    plat::UniqueWindowDC screen(plat::WindowDC{nullptr, GetDC(nullptr)});
    if (!screen)
        throw std::runtime_error("no screen DC");
    return CopyPixels(screen.Get().dc, area);
}

ScreenImage CaptureScreen()
{
    const RECT all{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return CaptureScreen(all);
}

void SaveBmp(const ScreenImage& image, const std::string& path)
{
    const int rowBytes = (image.width * 3 + 3) & ~3;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = image.width;
    info.biHeight = image.height; // bottom-up rows
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(rowBytes) * image.height;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;

    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    std::string row(static_cast<size_t>(rowBytes), '\0');
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) {
            const COLORREF colour = image.At(x, y);
            row[3 * x] = static_cast<char>(GetBValue(colour));
            row[3 * x + 1] = static_cast<char>(GetGValue(colour));
            row[3 * x + 2] = static_cast<char>(GetRValue(colour));
        }
        out.write(row.data(), rowBytes);
    }
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

LPCSTR IdentifyStandardIcon(HWND iconControl)
{
    RECT area;
    GetClientRect(iconControl, &area);
    MapWindowPoints(iconControl, nullptr, reinterpret_cast<POINT*>(&area), 2);
    const ScreenImage shown = CaptureScreen(area);
    for (LPCSTR which : {IDI_HAND, IDI_QUESTION, IDI_EXCLAMATION, IDI_ASTERISK}) {
        if (ShowsIcon(shown, which))
            return which;
    }
    return nullptr;
}

} // namespace e2e
