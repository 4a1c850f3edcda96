#include "program.h"
#include "dialogs.h"
#include "text.h"
#include <tlhelp32.h>
#include <winternl.h>
#include <vector>

namespace testing_support {

ProgramRun::ProgramRun(const std::string &program, const std::string &directory,
                       const std::string &arguments,
                       const std::function<void()> &before_first_instruction) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    const std::wstring application = wide(program), current = wide(directory);
    std::wstring command =
        L"\"" + application + L"\"" + wide(arguments.empty() ? "" : " " + arguments);
    if (::CreateProcessW(application.c_str(), command.data(), nullptr, nullptr, FALSE,
                         before_first_instruction ? CREATE_SUSPENDED : 0, nullptr,
                         current.empty() ? nullptr : current.c_str(), &startup, &info)) {
        if (before_first_instruction) {
            before_first_instruction();
            ::ResumeThread(info.hThread);
        }
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
    const DWORD start = ::GetTickCount();
    wait_until([&] { return (found = visible_window(caption)) != nullptr; }, timeout_ms);
    // Then until it waits for input, as a user's first click finds it: the
    // program finishes its start-up once its first page is on the screen.
    const DWORD spent = ::GetTickCount() - start;
    if (found && process_ && spent < timeout_ms) ::WaitForInputIdle(process_, timeout_ms - spent);
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

namespace {
struct VisibleWindowSearch {
    DWORD process;
    std::string title;
    bool found;
    std::string made; // the class of any window of the process, shown or not
};

BOOL CALLBACK match_visible_window(HWND window, LPARAM search_pointer) {
    auto *search = reinterpret_cast<VisibleWindowSearch *>(search_pointer);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process != search->process) return TRUE;
    if (search->made.empty()) {
        char name[64] = "?";
        ::GetClassNameA(window, name, sizeof name);
        search->made = name;
    }
    if (!::IsWindowVisible(window)) return TRUE;
    search->title = window_text(window);
    search->found = true;
    return FALSE;
}
} // namespace

UnattendedResult run_unattended(const std::string &program, const std::string &arguments,
                                DWORD timeout_ms) {
    UnattendedResult result;
    const ProgramRun run(program, "", arguments);
    if (!run.started()) return result;
    // Looked at every few milliseconds for the whole run: a window shown
    // even for a moment, let alone a box that waits for a click, is seen.
    const DWORD start = ::GetTickCount();
    while (!run.wait_for_exit(5)) {
        VisibleWindowSearch search = {run.id(), {}, false, {}};
        ::EnumWindows(match_visible_window, reinterpret_cast<LPARAM>(&search));
        for (HWND hidden = nullptr;
             (hidden = ::FindWindowExA(HWND_MESSAGE, hidden, nullptr, nullptr)) != nullptr;)
            match_visible_window(hidden, reinterpret_cast<LPARAM>(&search)); // message-only
        if (search.found && result.window_seen.empty())
            result.window_seen = search.title.empty() ? "(untitled)" : search.title;
        if (result.window_made.empty()) result.window_made = search.made;
        if (::GetTickCount() - start > timeout_ms) return result; // ended by run's destructor
    }
    result.ended = true;
    result.exit_code = run.exit_code();
    return result;
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

// Questions to another process's windows wait a limited time: a program
// that hangs, or has ended, fails the test instead of holding it.
bool is_checked(HWND radio) {
    DWORD_PTR state = 0;
    return ::SendMessageTimeoutA(radio, BM_GETCHECK, 0, 0, SMTO_NORMAL, 10000, &state) &&
           state == BST_CHECKED;
}

bool answers_with_an_icon(HWND picture) {
    DWORD_PTR icon = 0;
    return ::SendMessageTimeoutA(picture, STM_GETICON, 0, 0, SMTO_NORMAL, 10000, &icon) && icon;
}

void click(HWND button) {
    ::PostMessageA(button, BM_CLICK, 0, 0);
}

void set_text(HWND edit, const std::string &text) {
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide(text).c_str()),
                          SMTO_NORMAL, 10000, &ignored);
}

std::string text_of(HWND window) {
    // GetWindowText answers for another process's window from the caption
    // the system keeps, which an edit control does not use: ask the control.
    wchar_t text[1024] = {};
    DWORD_PTR length = 0;
    if (::SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_NORMAL,
                              10000, &length))
        return utf8(std::wstring(text, length));
    return window_text(window);
}

RECT child_rect(HWND child) {
    RECT rect;
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT *>(&rect), 2);
    return rect;
}

DWORD child_process(DWORD parent, const char *file_name) {
    const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    DWORD found = 0;
    for (BOOL more = ::Process32First(snapshot, &entry); more && !found;
         more = ::Process32Next(snapshot, &entry))
        if (entry.th32ParentProcessID == parent && _stricmp(entry.szExeFile, file_name) == 0)
            found = entry.th32ProcessID;
    ::CloseHandle(snapshot);
    return found;
}

namespace {
// A 32-bit process's UNICODE_STRING at address in its memory, as ANSI text.
std::string remote_text(HANDLE process, const char *address) {
    struct {
        USHORT length, maximum;
        ULONG buffer;
    } text = {};
    if (!::ReadProcessMemory(process, address, &text, sizeof text, nullptr)) return {};
    std::vector<wchar_t> wide(text.length / 2 + 1);
    if (!::ReadProcessMemory(process, reinterpret_cast<void *>(static_cast<ULONG_PTR>(text.buffer)),
                             wide.data(), text.length, nullptr))
        return {};
    char ansi[2048] = {};
    ::WideCharToMultiByte(CP_ACP, 0, wide.data(), text.length / 2, ansi, sizeof ansi - 1, nullptr,
                          nullptr);
    return ansi;
}
} // namespace

ProcessStart process_start(DWORD id) {
    ProcessStart start;
    const HANDLE process = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id);
    if (!process) return start;
    using Query = NTSTATUS(WINAPI *)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<Query>(reinterpret_cast<void *>(
        ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic = {};
    ULONG parameters = 0;
    // 32-bit layouts: the process parameters at 0x10 of the PEB; in them the
    // current directory at 0x24 and the command line at 0x40. Under Wine a
    // new process builds its parameters itself as it starts, so one just
    // made can have none yet: they are read once its command line is there.
    const auto read_parameters = [&] {
        if (!query || query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0 ||
            !::ReadProcessMemory(process,
                                 reinterpret_cast<const char *>(basic.PebBaseAddress) + 0x10,
                                 &parameters, sizeof parameters, nullptr) ||
            parameters == 0)
            return false;
        start.command_line = remote_text(
            process, reinterpret_cast<const char *>(static_cast<ULONG_PTR>(parameters)) + 0x40);
        return !start.command_line.empty();
    };
    if (wait_until(read_parameters, 10000)) {
        const auto base = reinterpret_cast<const char *>(static_cast<ULONG_PTR>(parameters));
        start.current_directory = remote_text(process, base + 0x24);
        // The environment block at 0x48: "NAME=value" strings, each ended
        // by a zero, and one more zero after the last.
        ULONG block = 0;
        std::wstring text;
        wchar_t chunk[256];
        if (::ReadProcessMemory(process, base + 0x48, &block, sizeof block, nullptr))
            for (ULONG at = block;
                 text.size() < 65536 && text.find(std::wstring(2, L'\0')) == std::wstring::npos;
                 at += sizeof chunk) {
                if (!::ReadProcessMemory(process,
                                         reinterpret_cast<void *>(static_cast<ULONG_PTR>(at)),
                                         chunk, sizeof chunk, nullptr))
                    break;
                text.append(chunk, std::size(chunk));
            }
        for (std::size_t at = 0; at < text.size() && text[at];) {
            const std::size_t end = text.find(L'\0', at);
            start.environment.push_back(utf8(text.substr(at, end - at)));
            at = end + 1;
        }
    }
    ::CloseHandle(process);
    return start;
}

} // namespace testing_support
