#include "screen.h"
#include <algorithm>
#include <vector>

namespace bench {

double now_ms() {
    static const double ticks_per_ms = [] {
        LARGE_INTEGER frequency;
        ::QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER counter;
    ::QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / ticks_per_ms;
}

namespace {
struct Children {
    HWND parent;
    std::vector<HWND> found;
};

// The form's texts (Static windows) are left out: they are never driven.
BOOL CALLBACK collect_child(HWND child, LPARAM children_pointer) {
    auto *children = reinterpret_cast<Children *>(children_pointer);
    char window_class[16] = {};
    ::GetClassNameA(child, window_class, sizeof window_class);
    if (::GetParent(child) == children->parent && lstrcmpiA(window_class, "Static") != 0)
        children->found.push_back(child);
    return TRUE;
}
} // namespace

COLORREF screen_pixel(HWND window, int x, int y) {
    // Read back from the screen, as a user would see it: the other process
    // paints into its own surface, which only the screen shows us.
    POINT point = {x, y};
    ::ClientToScreen(window, &point);
    HDC screen = ::GetDC(nullptr);
    const COLORREF colour = ::GetPixel(screen, point.x, point.y);
    ::ReleaseDC(nullptr, screen);
    return colour;
}

std::vector<unsigned> screen_client(HWND window) {
    RECT client;
    POINT origin = {0, 0};
    if (!::GetClientRect(window, &client) || !::ClientToScreen(window, &origin)) return {};
    const int width = client.right, height = client.bottom;
    if (width <= 0 || height <= 0) return {};
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::vector<unsigned> pixels;
    if (bitmap) {
        HGDIOBJ before = ::SelectObject(memory, bitmap);
        if (::BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY)) {
            ::GdiFlush();
            const auto *first = static_cast<const unsigned *>(bits);
            pixels.assign(first, first + static_cast<std::size_t>(width) * height);
        }
        ::SelectObject(memory, before);
        ::DeleteObject(bitmap);
    }
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return pixels;
}

HWND created_child(HWND window, std::size_t index) {
    Children children = {window, {}};
    ::EnumChildWindows(window, collect_child, reinterpret_cast<LPARAM>(&children));
    // A control's ID is its place in the form's table: creation order, which
    // z-order is not, as a box lies beneath the text that names it.
    std::sort(children.found.begin(), children.found.end(),
              [](HWND a, HWND b) { return ::GetDlgCtrlID(a) < ::GetDlgCtrlID(b); });
    if (index >= children.found.size()) return nullptr;
    return children.found[index];
}

} // namespace bench
