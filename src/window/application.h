#pragma once
// The application: its own hidden top-level window (title and icon of the
// taskbar button, owner of every form and message box), the message loop,
// the standard error box.
#include <windows.h>
#include <type_traits>
#include "platform/setup_error.h"

namespace ui {

class Form;

// "install.exe" -> "install": the file name cut before its first '.', every
// character after the first in lower case.
platform::Text application_title(const platform::Text &module_path);

class Application {
public:
    static Application &get();
    // windows: false for a run that shows none, which then makes none at
    // all, not even its own window: its forms keep their controls' state
    // without windows.
    void initialize(HINSTANCE instance, bool windows = true);
    bool windowless() const { return windowless_; }
    HINSTANCE instance() const { return instance_; }
    HWND handle() const { return window_; }
    const platform::Text &title() const { return title_; }

    void set_main_form(Form *form) { main_form_ = form; }
    Form *main_form() const { return main_form_; }

    // Shows the main form and handles messages until the application
    // terminates. after_first_page, when given, runs once, the first time
    // no message waits once the form is shown: every window has then
    // painted the first page, and the system has put it on the screen. It
    // is start-up work that the first page does not need.
    void run(void (*after_first_page)(void *context) = nullptr, void *context = nullptr);
    // Runs that work now if it has not run yet: a click (even one sent
    // from outside before the first idle moment) needs all of it done.
    void finish_start_up();
    // Waits for one message and handles it; a quit marks the application as terminating.
    void handle_message();
    // Handles every waiting message, then returns; a quit only marks termination.
    void process_messages();
    // Posts the quit message that ends the loop.
    void terminate();
    bool terminated() const { return terminated_; }
    // Forgets a termination, for a program (a test) that runs its windows again.
    void clear_termination();

    // The standard error box: owned by the application, titled with its
    // title, with the error icon; the other windows are disabled meanwhile.
    void show_error(const platform::SetupError &error);
    // A box of the program's own: the text, the caption and one OK button,
    // owned by the window that has the focus.
    void show_message(const wchar_t *text, const wchar_t *caption);

private:
    Application() = default;
    void dispatch(MSG &message);

    HINSTANCE instance_ = nullptr;
    HWND window_ = nullptr;
    platform::Text title_;
    Form *main_form_ = nullptr;
    bool terminated_ = false;
    bool windowless_ = false;
    void (*after_first_page_)(void *context) = nullptr;
    void *after_first_page_context_ = nullptr;
};

// Disables the thread's visible, enabled top-level windows but one, and
// enables them again when it goes, as modal windows do.
class TaskWindowsDisabled {
public:
    explicit TaskWindowsDisabled(HWND except = nullptr);
    TaskWindowsDisabled(const TaskWindowsDisabled &) = delete;
    TaskWindowsDisabled &operator=(const TaskWindowsDisabled &) = delete;
    ~TaskWindowsDisabled();

private:
    static BOOL CALLBACK collect(HWND window, LPARAM self);
    HWND except_;
    HWND windows_[32] = {};
    int count_ = 0;
    HWND active_;
};

// Runs an event handler at the edge of the window layer: an error that
// leaves it is shown in the standard error box and goes no further.
void guarded_call(void (*call)(void *handler), void *handler);
template <typename F> void guarded(F &&handler) {
    // One place catches for every handler: the catch is not repeated for each.
    using Handler = std::remove_reference_t<F>;
    guarded_call([](void *h) { (*static_cast<Handler *>(h))(); },
                 const_cast<void *>(static_cast<const void *>(&handler)));
}

} // namespace ui
