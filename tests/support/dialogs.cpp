#include "dialogs.h"
#include "program.h"
#include "text.h"
#include <algorithm>
#include <chrono>

namespace testing_support {

std::string window_text(HWND window) {
    wchar_t text[1024] = {};
    ::GetWindowTextW(window, text, 1024);
    return utf8(text);
}

namespace {
// The caption as the window manager holds it: unlike GetWindowTextA it sends
// no message, so the watcher never waits on a GUI thread that waits on it.
std::string caption_of(HWND window) {
    WCHAR text[512] = {};
    ::InternalGetWindowText(window, text, 512);
    char narrow[1024] = {};
    ::WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    return narrow;
}

struct ChildSearch {
    const char *window_class;
    const char *text;
    HWND found;
};

BOOL CALLBACK match_child(HWND child, LPARAM search_pointer) {
    auto *search = reinterpret_cast<ChildSearch *>(search_pointer);
    char name[64] = {};
    ::GetClassNameA(child, name, sizeof name);
    if (search->window_class && lstrcmpiA(name, search->window_class) != 0) return TRUE;
    if (search->text && window_text(child) != search->text) return TRUE;
    search->found = child;
    return FALSE;
}

struct DialogSearch {
    std::vector<HWND> found;
};

BOOL CALLBACK match_dialog(HWND window, LPARAM search_pointer) {
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process != ::GetCurrentProcessId() || !::IsWindowVisible(window)) return TRUE;
    char name[64] = {};
    ::GetClassNameA(window, name, sizeof name);
    if (std::string(name) == "#32770" || std::string(name) == "InstalForm")
        reinterpret_cast<DialogSearch *>(search_pointer)->found.push_back(window);
    return TRUE;
}
} // namespace

HWND find_child(HWND parent, const char *window_class, const char *text) {
    ChildSearch search = {window_class, text, nullptr};
    ::EnumChildWindows(parent, match_child, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string message_box_text(HWND dialog) {
    // The message is the static control with the id 0xFFFF.
    const HWND text = ::GetDlgItem(dialog, 0xFFFF);
    return text ? window_text(text) : std::string();
}

void press(HWND button) {
    ::PostMessageA(button, BM_CLICK, 0, 0);
}

DialogWatcher::DialogWatcher(Answer answer)
    : answer_(answer ? std::move(answer)
                     : Answer([](HWND dialog) { ::PostMessageA(dialog, WM_COMMAND, IDOK, 0); })),
      thread_([this] { watch(); }) {}

DialogWatcher::~DialogWatcher() {
    stop_ = true;
    thread_.join();
}

std::vector<SeenDialog> DialogWatcher::seen() const {
    std::lock_guard<std::mutex> guard(lock_);
    return seen_;
}

void DialogWatcher::watch() {
    while (!stop_) {
        DialogSearch search;
        ::EnumWindows(match_dialog, reinterpret_cast<LPARAM>(&search));
        {
            // A hidden dialog that shows again is a new opening.
            std::lock_guard<std::mutex> guard(lock_);
            handled_.erase(std::remove_if(handled_.begin(), handled_.end(),
                                          [&](HWND w) {
                                              return std::find(search.found.begin(),
                                                               search.found.end(),
                                                               w) == search.found.end();
                                          }),
                           handled_.end());
        }
        for (HWND dialog : search.found) {
            char name[64] = {};
            ::GetClassNameA(dialog, name, sizeof name);
            // Forms are ours only while they are modal: the main window is not.
            if (std::string(name) == "InstalForm" && caption_of(dialog) != "Alarm") continue;
            {
                std::lock_guard<std::mutex> guard(lock_);
                if (std::find(handled_.begin(), handled_.end(), dialog) != handled_.end()) continue;
                handled_.push_back(dialog);
                // Let the dialog finish appearing before it is read.
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                SeenDialog seen;
                seen.title = caption_of(dialog);
                seen.text = message_box_text(dialog);
                seen.owner = ::GetWindow(dialog, GW_OWNER);
                // A message box's icon is a static control: id 0x14 on Windows, 0x440 on Wine.
                for (const int id : {0x14, 0x440}) {
                    const HWND icon = ::GetDlgItem(dialog, id);
                    if (icon && ::IsWindowVisible(icon) && answers_with_an_icon(icon))
                        seen.style_icon = MB_ICONERROR;
                }
                seen_.push_back(seen);
            }
            // Let the dialog finish appearing before it is answered.
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            answer_(dialog);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

} // namespace testing_support
