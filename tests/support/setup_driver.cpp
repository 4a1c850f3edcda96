#include "setup_driver.h"
#include <cstring>

namespace testing_support {

namespace {
struct ChildByOrder {
    HWND parent;
    std::vector<HWND> children;
};

BOOL CALLBACK collect_child(HWND child, LPARAM found) {
    auto *search = reinterpret_cast<ChildByOrder *>(found);
    if (::GetParent(child) == search->parent) search->children.push_back(child);
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

// Child windows in the order the form creates them.
const char *const kChildNames[] = {"Button1", "Button2", "Button3", "rb1",   "rb2",
                                   "Memo1",   "Button4", "pb1",     "Edit1"};
} // namespace

SetupDriver::SetupDriver(const std::string &program, const std::string &directory)
    : run_(program, directory) {
    window_ = run_.wait_for_window(kMainCaption);
    settle();
}

HWND SetupDriver::control(const char *name) const {
    ChildByOrder search = {window_, {}};
    ::EnumChildWindows(window_, collect_child, reinterpret_cast<LPARAM>(&search));
    // Windows lists children from the top of the z-order: later ones first.
    for (std::size_t i = 0; i < std::size(kChildNames); ++i)
        if (std::strcmp(kChildNames[i], name) == 0 && i < search.children.size())
            return search.children[search.children.size() - 1 - i];
    return nullptr;
}

void SetupDriver::settle() const {
    // A sent message returns once everything posted before it was handled.
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &ignored);
}

bool SetupDriver::wait_for_next_caption(const char *caption, DWORD timeout_ms) const {
    const HWND next = control("Button2");
    return wait_until(
        [&] { return is_enabled(next) && text_of(next) == caption; }, timeout_ms);
}

void SetupDriver::close_window() const { ::PostMessageA(window_, WM_CLOSE, 0, 0); }

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
    }
    return dialog;
}

void SetupDriver::press_button(const ForeignDialog &dialog, const char *text) {
    if (const HWND button = find_child(dialog.window, "Button", text)) click(button);
}

bool SetupDriver::install_to(const std::string &directory) {
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

std::string default_install_directory() { return "C:\\Program Files\\Tolmera\\"; }

} // namespace testing_support
