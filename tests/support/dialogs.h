#pragma once
// Answers the modal windows that the code under test opens on this
// process's GUI thread (message boxes, the folder browser, the cancel
// dialog), from a second thread, and records what they said.
#include <windows.h>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

struct SeenDialog {
    std::string title;
    std::string text; // the message text of a message box
    HWND owner = nullptr;
    UINT style_icon = 0; // MB_ICONERROR when the box shows the error icon
};

class DialogWatcher {
public:
    // answer is called on the watcher's thread with each new dialog window;
    // the default presses its OK button.
    using Answer = std::function<void(HWND dialog)>;
    explicit DialogWatcher(Answer answer = nullptr);
    DialogWatcher(const DialogWatcher &) = delete;
    DialogWatcher &operator=(const DialogWatcher &) = delete;
    ~DialogWatcher();

    std::vector<SeenDialog> seen() const;

private:
    void watch();
    Answer answer_;
    std::atomic<bool> stop_{false};
    mutable std::mutex lock_;
    std::vector<SeenDialog> seen_;
    std::vector<HWND> handled_;
    std::thread thread_;
};

std::string window_text(HWND window);
// The text of a message box: its static control that is not an icon.
std::string message_box_text(HWND dialog);
// Finds a child window by its text (buttons) or class.
HWND find_child(HWND parent, const char *window_class, const char *text);
void press(HWND button);

} // namespace testing_support
