#include "program.h"
#include "dialogs.h"

namespace testing_support {

ProgramRun::ProgramRun(const std::string &program, const std::string &directory) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    std::string command = "\"" + program + "\"";
    if (::CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                         directory.empty() ? nullptr : directory.c_str(), &startup, &info)) {
        ::CloseHandle(info.hThread);
        process_ = info.hProcess;
        id_ = info.dwProcessId;
    }
}

ProgramRun::~ProgramRun() {
    if (!process_) return;
    if (::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(process_, 99);
        ::WaitForSingleObject(process_, 5000);
    }
    ::CloseHandle(process_);
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
} // namespace

HWND ProgramRun::visible_window(const char *caption) const {
    WindowSearch search = {id_, caption, nullptr};
    ::EnumWindows(match_window, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND ProgramRun::wait_for_window(const char *caption, DWORD timeout_ms) const {
    HWND found = nullptr;
    wait_until([&] { return (found = visible_window(caption)) != nullptr; }, timeout_ms);
    return found;
}

bool ProgramRun::wait_for_exit(DWORD timeout_ms) const {
    return process_ && ::WaitForSingleObject(process_, timeout_ms) == WAIT_OBJECT_0;
}

DWORD ProgramRun::exit_code() const {
    DWORD code = STILL_ACTIVE;
    if (process_) ::GetExitCodeProcess(process_, &code);
    return code;
}

HWND child_with_text(HWND parent, const char *text) {
    return find_child(parent, nullptr, text);
}

bool is_shown(HWND window) {
    return (::GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

bool is_enabled(HWND window) {
    return ::IsWindowEnabled(window) != FALSE;
}

bool is_checked(HWND radio) {
    return ::SendMessageA(radio, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void click(HWND button) {
    ::PostMessageA(button, BM_CLICK, 0, 0);
}

void set_text(HWND edit, const std::string &text) {
    ::SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string text_of(HWND window) {
    // GetWindowText answers for another process's window from the caption
    // the system keeps, which an edit control does not use: ask the control.
    char text[1024] = {};
    DWORD_PTR length = 0;
    if (::SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                              SMTO_NORMAL, 10000, &length))
        return std::string(text, length);
    return window_text(window);
}

RECT child_rect(HWND child) {
    RECT rect;
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT *>(&rect), 2);
    return rect;
}

} // namespace testing_support
