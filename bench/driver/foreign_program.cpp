#include "foreign_program.h"
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

ForeignProgram::ForeignProgram(const std::string &program) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    std::string command = "\"" + program + "\"";
    if (::CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                         nullptr, &startup, &info)) {
        ::CloseHandle(info.hThread);
        process_ = info.hProcess;
        id_ = info.dwProcessId;
    }
}

ForeignProgram::~ForeignProgram() {
    if (!process_) return;
    if (::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(process_, 99);
        ::WaitForSingleObject(process_, 5000);
    }
    ::CloseHandle(process_);
}

bool ForeignProgram::exited(DWORD timeout_ms) const {
    return process_ && ::WaitForSingleObject(process_, timeout_ms) == WAIT_OBJECT_0;
}

namespace {
struct WindowSearch {
    DWORD process;
    const char *caption;
    HWND found;
};

BOOL CALLBACK match_window(HWND window, LPARAM search_pointer) {
    auto *search = reinterpret_cast<WindowSearch *>(search_pointer);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process == search->process && ::IsWindowVisible(window) &&
        window_text(window) == search->caption) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

struct Children {
    HWND parent;
    std::vector<HWND> found;
};

BOOL CALLBACK collect_child(HWND child, LPARAM children_pointer) {
    auto *children = reinterpret_cast<Children *>(children_pointer);
    if (::GetParent(child) == children->parent) children->found.push_back(child);
    return TRUE;
}
} // namespace

HWND ForeignProgram::visible_window(const char *caption) const {
    WindowSearch search = {id_, caption, nullptr};
    ::EnumWindows(match_window, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

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

HWND created_child(HWND window, std::size_t index) {
    Children children = {window, {}};
    ::EnumChildWindows(window, collect_child, reinterpret_cast<LPARAM>(&children));
    // Windows lists children from the top of the z-order: later ones first.
    if (index >= children.found.size()) return nullptr;
    return children.found[children.found.size() - 1 - index];
}

std::string window_text(HWND window) {
    char text[256] = "";
    ::GetWindowTextA(window, text, sizeof text);
    return text;
}

} // namespace bench
