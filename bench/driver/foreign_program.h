#pragma once
// A setup program started as a separate process and watched from outside:
// its main window, the pixels the screen shows of it, its controls.
#include <windows.h>
#include <string>

namespace bench {

// Milliseconds since an arbitrary start, with sub-millisecond resolution.
double now_ms();

class ForeignProgram {
public:
    // Starts program (a Windows path); started() says whether it worked.
    explicit ForeignProgram(const std::string &program);
    ForeignProgram(const ForeignProgram &) = delete;
    ForeignProgram &operator=(const ForeignProgram &) = delete;
    ~ForeignProgram(); // ends the process if it still runs

    bool started() const { return process_ != nullptr; }
    DWORD id() const { return id_; }
    bool exited(DWORD timeout_ms) const;
    // A visible top-level window of the process with this caption, or nullptr.
    HWND visible_window(const char *caption) const;

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// The colour the screen shows at a client point of window.
COLORREF screen_pixel(HWND window, int x, int y);
// The index-th child that window created (creation order, not z-order).
HWND created_child(HWND window, std::size_t index);
std::string window_text(HWND window);

} // namespace bench
