#include "capture.h"
#include "platform/owners.h"
#include "program.h"
#include <fstream>

namespace testing_support {

Capture capture_window(HWND window, bool whole_window) {
    RECT area;
    if (whole_window) {
        ::GetWindowRect(window, &area);
    } else {
        ::GetClientRect(window, &area);
        ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT *>(&area), 2);
    }
    Capture capture;
    capture.width = area.right - area.left;
    capture.height = area.bottom - area.top;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = capture.width;
    info.bmiHeader.biHeight = -capture.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void *bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ previous = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, capture.width, capture.height, screen, area.left, area.top, SRCCOPY);
    ::GdiFlush();
    const auto *pixels = static_cast<const unsigned char *>(bits);
    capture.pixels.resize(static_cast<std::size_t>(capture.width) * capture.height);
    for (std::size_t i = 0; i < capture.pixels.size(); ++i)
        capture.pixels[i] = RGB(pixels[i * 4 + 2], pixels[i * 4 + 1], pixels[i * 4]);
    ::SelectObject(memory, previous);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return capture;
}

bool Capture::save_bmp(const std::string &path) const {
    const int stride = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = -height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biSizeImage = static_cast<DWORD>(stride * height);
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + header.biSizeImage;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char *>(&file), sizeof file);
    out.write(reinterpret_cast<const char *>(&header), sizeof header);
    std::vector<unsigned char> row(static_cast<std::size_t>(stride), 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const COLORREF c = at(x, y);
            row[x * 3] = GetBValue(c);
            row[x * 3 + 1] = GetGValue(c);
            row[x * 3 + 2] = GetRValue(c);
        }
        out.write(reinterpret_cast<const char *>(row.data()), stride);
    }
    return static_cast<bool>(out);
}

namespace {
int unlike_icon(const Capture &shown, int left, int top, const char *name, int size) {
    const platform::UniqueIcon icon(static_cast<HICON>(
        ::LoadImageA(::GetModuleHandleA(nullptr), name, IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    const platform::GdiObject canvas(::CreateCompatibleBitmap(screen, size, size));
    const HGDIOBJ previous = ::SelectObject(memory, canvas.get());
    const platform::GdiObject grey(::CreateSolidBrush(RGB(221, 221, 221)));
    const RECT all = {0, 0, size, size};
    ::FillRect(memory, &all, static_cast<HBRUSH>(grey.get()));
    ::DrawIconEx(memory, 0, 0, icon.get(), size, size, 0, nullptr, DI_NORMAL);
    int differing = icon ? 0 : size * size;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            differing += ::GetPixel(memory, x, y) != shown.at(left + x, top + y);
    ::SelectObject(memory, previous);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return differing;
}
} // namespace

int pixels_unlike_icon(HWND window, int left, int top, const char *name, int size,
                       DWORD timeout_ms) {
    int differing = 0;
    wait_until(
        [&] {
            differing = unlike_icon(capture_window(window), left, top, name, size);
            return differing == 0;
        },
        timeout_ms);
    return differing;
}

} // namespace testing_support
