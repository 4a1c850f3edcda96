#pragma once
// The real setup program, started as its own process and driven through
// its pages from outside, the way a user's clicks and keys reach it.
#include "dialogs.h"
#include "program.h"
#include <string>
#include <vector>

namespace testing_support {

inline constexpr char kMainCaption[] = "Setup-Corvanta 1.21";

// A message box or dialog of another process, as it was seen.
struct ForeignDialog {
    HWND window = nullptr;
    std::string title;
    std::string text;
    bool has_icon = false; // a message box with an icon (the standard error box has one)
};

class SetupDriver {
public:
    // What the program shows first: its main window, or a box raised while
    // the main window is being created (the window shows after it).
    enum class FirstWindow { main, dialog };

    // Starts program (a Windows path) in directory with the command-line
    // arguments and, unless told that a box comes first, waits for its main
    // window.
    // before_first_instruction: see ProgramRun.
    explicit SetupDriver(const std::string &program, const std::string &directory = "",
                         const std::string &arguments = "", FirstWindow first = FirstWindow::main,
                         const std::function<void()> &before_first_instruction = {});
    // Waits for the main window; false when it does not show in time.
    bool wait_for_main_window(DWORD timeout_ms = 15000);

    ProgramRun &process() { return run_; }
    HWND window() const { return window_; }
    bool has_window() const { return window_ != nullptr; }

    // Child windows by their design name: Button1..Button4, rb1, rb2, Memo1, Edit1, pb1.
    HWND control(const char *name) const;

    // Clicks as the mouse would and returns once the click's handler has
    // finished, or after a second when it opens a modal window or runs a
    // procedure (which then goes on). Later clicks, texts and settle() are
    // handled after it.
    void click_control(const char *name) const;
    void accept_licence() { click_control("rb1"); }
    void next() { click_control("Button2"); }
    void back() { click_control("Button1"); }
    void set_path(const std::string &path) { set_text(control("Edit1"), path); }
    // Waits until Next is enabled again and reads caption (e.g. "Finish").
    bool wait_for_next_caption(const char *caption, DWORD timeout_ms = 30000) const;
    // Waits until the page flow has applied a click (the program is idle).
    void settle() const;
    // Asks the main window to close, as its close box does.
    void close_window() const;

    // The first visible dialog of the program that is not its main window;
    // nullptr when none appears in time.
    ForeignDialog wait_for_dialog(DWORD timeout_ms = 15000) const;
    // "title: text" of a box the program shows now, empty when none: what
    // a test reports when the program stopped where it should not.
    std::string box_on_screen() const;
    // Presses the dialog's button with this text ("OK", "Resume", "Exit Setup").
    static void press_button(const ForeignDialog &dialog, const char *text);

    // Licence -> choice -> path -> progress, installing into directory;
    // returns once Next reads "Finish" (false if it never does).
    bool install_to(const std::string &directory);
    // Licence or choice page -> removal -> "finish".
    bool uninstall();
    // The same walks, returning as soon as the procedure has been started
    // (for runs that end in a box or are interrupted).
    void start_install(const std::string &directory);
    void start_uninstall();

private:
    ProgramRun run_;
    HWND window_ = nullptr;
};

// What a full install leaves, for tests that compare.
std::string default_install_directory(); // "C:\Program Files\Tolmera\"

} // namespace testing_support
