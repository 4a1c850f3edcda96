#pragma once
// The real setup program started as its own process and driven from
// outside, the way a user's clicks reach it.
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

namespace testing_support {

class ProgramRun {
public:
    // Starts program (a Windows path) with the given current directory and
    // command-line arguments after its quoted name.
    // With before_first_instruction, the process is made suspended, that
    // runs, and only then does the program's first instruction.
    explicit ProgramRun(const std::string &program, const std::string &directory = "",
                        const std::string &arguments = "",
                        const std::function<void()> &before_first_instruction = {});
    ProgramRun(const ProgramRun &) = delete;
    ProgramRun &operator=(const ProgramRun &) = delete;
    ~ProgramRun(); // ends the process if it still runs

    bool started() const { return process_ != nullptr; }
    DWORD id() const { return id_; }
    // A visible top-level window of the process with this caption, now or
    // within the time; nullptr when there is none.
    HWND visible_window(const char *caption) const;
    // The same, waited for, and then the program waiting for input.
    HWND wait_for_window(const char *caption, DWORD timeout_ms = 15000) const;
    bool wait_for_exit(DWORD timeout_ms = 15000) const;
    DWORD exit_code() const;

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// Polls condition every 20 ms until it holds or the time is up.
template <typename Condition> bool wait_until(Condition condition, DWORD timeout_ms = 15000) {
    const DWORD start = ::GetTickCount();
    while (!condition()) {
        if (::GetTickCount() - start > timeout_ms) return false;
        ::Sleep(20);
    }
    return true;
}

// Another process as it was started: the first child of parent whose
// program file has this name (0 when none), and that child's command line
// and current directory, read from its own memory.
DWORD child_process(DWORD parent, const char *file_name);
struct ProcessStart {
    std::string command_line;
    std::string current_directory;
    std::vector<std::string> environment; // "NAME=value", in the block's order
};
ProcessStart process_start(DWORD process);

// The program started with arguments and nobody at the keyboard, watched
// until it ends: whether it ended in time, its exit code as the system gives
// it (all 32 bits of it), and the title of the first of its windows that was
// visible at any moment (empty when none ever was), and the class of the
// first of its windows, shown or not, top-level or message-only, that was
// there at any moment.
struct UnattendedResult {
    bool ended = false;
    DWORD exit_code = STILL_ACTIVE;
    std::string window_seen;
    std::string window_made;
};
UnattendedResult run_unattended(const std::string &program, const std::string &arguments,
                                DWORD timeout_ms = 60000);

// Children of a form by their text, and their state as a user sees it.
HWND child_with_text(HWND parent, const char *text);
bool is_shown(HWND window);
bool is_enabled(HWND window);
bool is_checked(HWND radio);
// Whether a static control shows an icon.
bool answers_with_an_icon(HWND picture);
// Clicks a button as the mouse would, without waiting for the handler.
void click(HWND button);
void set_text(HWND edit, const std::string &text);
std::string text_of(HWND window);
// Client-relative rectangle of a child window.
RECT child_rect(HWND child);

} // namespace testing_support
