#pragma once
// Pixels of a window as the screen shows them.
#include <windows.h>
#include <string>
#include <vector>

namespace testing_support {

struct Capture {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;
    COLORREF at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    // Writes a 24-bit BMP.
    bool save_bmp(const std::string &path) const;
};

// The client area (or, with whole_window, the outer rectangle) from the screen.
Capture capture_window(HWND window, bool whole_window = false);

// How many pixels of the size x size square at (left, top) of window, as
// the screen shows it, differ from the icon resource name of this program (as
// the system makes it) drawn on the window's colour. Taken again until none
// differ or timeout_ms has passed: another process's window reaches the
// screen a moment after it has painted.
int pixels_unlike_icon(HWND window, int left, int top, const char *name, int size,
                       DWORD timeout_ms = 3000);

} // namespace testing_support
