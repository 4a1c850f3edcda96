#include "setup_driver.h"
#include <algorithm>
#include <cstring>

namespace testing_support {

namespace {
struct ChildByOrder {
    HWND parent;
    std::vector<HWND> children;
};

// The form's texts are Static windows, never driven, so they are left out.
BOOL CALLBACK collect_child(HWND child, LPARAM found) {
    auto *search = reinterpret_cast<ChildByOrder *>(found);
    char window_class[16] = {};
    ::GetClassNameA(child, window_class, sizeof window_class);
    if (::GetParent(child) == search->parent && lstrcmpiA(window_class, "Static") != 0)
        search->children.push_back(child);
    return TRUE;
}

struct DialogOfProcess {
    DWORD process;
    HWND main;
    HWND found;
};

BOOL CALLBACK match_dialog(HWND window, LPARAM found) {
    auto *search = reinterpret_cast<DialogOfProcess *>(found);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process != search->process || window == search->main || !::IsWindowVisible(window))
        return TRUE;
    RECT rect;
    ::GetWindowRect(window, &rect);
    if (rect.right - rect.left == 0) return TRUE; // the application's own hidden window
    search->found = window;
    return FALSE;
}

// Child windows other than texts, in the order the form creates them.
const char *const kChildNames[] = {"Button1", "Button2", "Button3", "rb1",  "rb2",
                                   "Memo1",   "Button4", "pb1",     "Edit1"};
} // namespace

SetupDriver::SetupDriver(const std::string &program, const std::string &directory,
                         const std::string &arguments, FirstWindow first,
                         const std::function<void()> &before_first_instruction)
    : run_(program, directory, arguments, before_first_instruction) {
    if (first == FirstWindow::main) wait_for_main_window();
}

bool SetupDriver::wait_for_main_window(DWORD timeout_ms) {
    window_ = run_.wait_for_window(kMainCaption, timeout_ms);
    settle();
    return window_ != nullptr;
}

HWND SetupDriver::control(const char *name) const {
    ChildByOrder search = {window_, {}};
    ::EnumChildWindows(window_, collect_child, reinterpret_cast<LPARAM>(&search));
    // A control's ID is its place in the form's table; z-order is not creation
    // order, as a box lies beneath the text that names it.
    std::sort(search.children.begin(), search.children.end(),
              [](HWND a, HWND b) { return ::GetDlgCtrlID(a) < ::GetDlgCtrlID(b); });
    for (std::size_t i = 0; i < std::size(kChildNames); ++i)
        if (std::strcmp(kChildNames[i], name) == 0 && i < search.children.size())
            return search.children[i];
    return nullptr;
}

namespace {
// Sent, not posted: the program handles messages sent to it before anything
// posted, so a posted click could still wait in its queue when a later
// settle() returned. A modal loop that waits in GetMessage handles a sent
// message without returning, so it would not see that the click ended it:
// a posted message afterwards wakes it, as the mouse's own messages do.
void click_and_wait(HWND button) {
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_NORMAL, 1000, &ignored);
    ::PostMessageA(::GetAncestor(button, GA_ROOT), WM_NULL, 0, 0);
}
} // namespace

void SetupDriver::click_control(const char *name) const {
    click_and_wait(control(name));
}

void SetupDriver::settle() const {
    if (!window_) return;
    // Returns once everything sent before it (clicks, texts) was handled.
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &ignored);
}

bool SetupDriver::wait_for_next_caption(const char *caption, DWORD timeout_ms) const {
    const HWND next = control("Button2");
    return wait_until([&] { return is_enabled(next) && text_of(next) == caption; }, timeout_ms);
}

void SetupDriver::close_window() const {
    ::PostMessageA(window_, WM_CLOSE, 0, 0);
}

ForeignDialog SetupDriver::wait_for_dialog(DWORD timeout_ms) const {
    DialogOfProcess search = {run_.id(), window_, nullptr};
    wait_until(
        [&] {
            ::EnumWindows(match_dialog, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        timeout_ms);
    ForeignDialog dialog;
    dialog.window = search.found;
    if (search.found) {
        ::Sleep(100); // let it finish appearing
        dialog.title = window_text(search.found);
        dialog.text = message_box_text(search.found);
        // A message box with an icon has a static control showing it: id 0x14
        // on Windows, stc1 (0x440) in Wine's message box template.
        for (const int id : {0x14, 0x440}) {
            const HWND icon = ::GetDlgItem(search.found, id);
            if (icon && ::IsWindowVisible(icon) && answers_with_an_icon(icon))
                dialog.has_icon = true;
        }
    }
    return dialog;
}

std::string SetupDriver::box_on_screen() const {
    const ForeignDialog dialog = wait_for_dialog(0);
    return dialog.window ? dialog.title + ": " + dialog.text : std::string();
}

void SetupDriver::press_button(const ForeignDialog &dialog, const char *text) {
    if (const HWND button = find_child(dialog.window, "Button", text)) click_and_wait(button);
}

bool SetupDriver::install_to(const std::string &directory) {
    start_install(directory);
    return wait_for_next_caption("Finish");
}

bool SetupDriver::uninstall() {
    if (is_shown(control("Memo1"))) { // licence page first
        accept_licence();
        settle();
        next();
        settle();
    }
    click_control("rb2");
    settle();
    next();
    return wait_for_next_caption("finish");
}

void SetupDriver::start_install(const std::string &directory) {
    accept_licence();
    settle();
    next(); // choice
    settle();
    click_control("rb1");
    settle();
    next(); // path
    settle();
    set_path(directory);
    next(); // progress
}

void SetupDriver::start_uninstall() {
    if (is_shown(control("Memo1"))) { // licence page first
        accept_licence();
        settle();
        next();
        settle();
    }
    click_control("rb2");
    settle();
    next();
}

std::string default_install_directory() {
    return "C:\\Program Files\\Tolmera\\";
}

} // namespace testing_support
