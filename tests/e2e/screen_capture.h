#pragma once

// Reads what the screen shows. Another process's window DC gives no pixels
// under Wine, so everything is read from the screen's own DC.

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

struct ScreenImage {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels; // rows top to bottom

    COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// The pixels of a screen rectangle.
ScreenImage CaptureScreen(const RECT& area);
// The whole screen.
ScreenImage CaptureScreen();
// Writes the image as a 24-bit BMP file; raises on failure.
void SaveBmp(const ScreenImage& image, const std::string& path);

// Which standard icon (IDI_HAND, IDI_QUESTION, IDI_EXCLAMATION, IDI_ASTERISK) an icon
// control shows on the screen, or nullptr when it is none of them.
LPCSTR IdentifyStandardIcon(HWND iconControl);

} // namespace e2e
