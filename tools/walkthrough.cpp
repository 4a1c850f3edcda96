// Walks the real setup program through every page, as a user would, and
// saves a picture of each one as the screen shows it: licence, choice,
// path, the cancel dialog over the wizard, progress (taken while the
// install runs) and the finished page. The install is real, into the
// default directory, so the run needs a Wine prefix that may be thrown away.
//
// Usage: walkthrough PROGRAM FOLDER [NAME]
// PROGRAM is the setup program, FOLDER receives 01-licence.bmp ...
// 06-finish.bmp; both may be Unix paths. With NAME, only the licence page is
// taken, as NAME.bmp, and setup is left through Cancel and "Exit Setup":
// for a second look at the window in another setting (a higher resolution),
// with nothing installed. Exits non-zero, naming the page, when a page does
// not appear.
#include "support/capture.h"
#include "support/dialogs.h"
#include "support/environment.h"
#include "support/setup_driver.h"
#include <cstdio>
#include <string>
#include <utility>

using namespace testing_support;

namespace {

// Paints are handled only when the program's queue is otherwise empty, and
// Wine hands a window's pixels to the X server a moment after that.
void let_paint(const SetupDriver &setup) {
    setup.settle();
    ::Sleep(400);
    setup.settle();
}

class Walk {
public:
    Walk(const SetupDriver &setup, std::string folder)
        : setup_(setup), folder_(std::move(folder)) {}

    // Reports a page that did not appear, and a box shown instead; true when
    // it did appear.
    bool expect(bool appeared, const char *page) {
        if (!appeared) {
            std::fprintf(stderr, "walkthrough: the %s did not appear\n", page);
            const std::string box = setup_.has_window() ? setup_.box_on_screen() : "";
            if (!box.empty()) std::fprintf(stderr, "walkthrough: shown instead: %s\n", box.c_str());
            failed_ = true;
        }
        return appeared;
    }

    // The whole window, frame included, with whatever lies over it.
    bool save(HWND window, const char *name) {
        const std::string path = folder_ + "\\" + name + ".bmp";
        const Capture picture = capture_window(window, true);
        if (picture.width <= 0 || picture.height <= 0 || !picture.save_bmp(path)) {
            std::fprintf(stderr, "walkthrough: could not save %s\n", path.c_str());
            failed_ = true;
            return false;
        }
        std::printf("walkthrough: %s.bmp\n", name);
        return true;
    }

    bool failed() const { return failed_; }

private:
    const SetupDriver &setup_;
    std::string folder_;
    bool failed_ = false;
};

// Licence: accepted, so that Next is enabled as a user would see it.
bool licence_page(SetupDriver &setup, Walk &walk, const char *name) {
    if (!walk.expect(setup.has_window(), "main window")) return false;
    setup.accept_licence();
    let_paint(setup);
    if (!walk.expect(is_shown(setup.control("Memo1")) && is_checked(setup.control("rb1")) &&
                         is_enabled(setup.control("Button2")),
                     "licence page"))
        return false;
    return walk.save(setup.window(), name);
}

bool licence_only(SetupDriver &setup, Walk &walk, const char *name) {
    if (!licence_page(setup, walk, name)) return false;
    setup.click_control("Button3");
    const ForeignDialog alarm = setup.wait_for_dialog();
    if (!walk.expect(alarm.window != nullptr && alarm.title == "Alarm", "cancel dialog"))
        return false;
    SetupDriver::press_button(alarm, "Exit Setup");
    return walk.expect(setup.process().wait_for_exit(15000) && setup.process().exit_code() == 0,
                       "end of the program after Exit Setup");
}

bool walk_through(SetupDriver &setup, Walk &walk) {
    const HWND window = setup.window();
    if (!licence_page(setup, walk, "01-licence")) return false;

    // Choice: install stays checked from the licence page.
    setup.next();
    let_paint(setup);
    if (!walk.expect(!is_shown(setup.control("Memo1")) && is_shown(setup.control("rb1")),
                     "choice page"))
        return false;
    walk.save(window, "02-choice");

    // Path, with the default directory.
    setup.next();
    let_paint(setup);
    if (!walk.expect(is_shown(setup.control("Edit1")) && is_shown(setup.control("Button4")),
                     "path page"))
        return false;
    walk.save(window, "03-path");

    // Cancel opens the dialog over the wizard; "Resume" returns to the path page.
    setup.click_control("Button3");
    const ForeignDialog alarm = setup.wait_for_dialog();
    if (!walk.expect(alarm.window != nullptr && alarm.title == "Alarm", "cancel dialog"))
        return false;
    ::Sleep(400);
    walk.save(window, "04-cancel");
    // Posted, as the mouse's click would be: the dialog's modal loop looks at
    // its result only after a posted message, not after a sent one.
    click(find_child(alarm.window, "Button", "Resume"));
    if (!walk.expect(wait_until([&] { return !::IsWindowVisible(alarm.window); }),
                     "path page after Resume"))
        return false;
    let_paint(setup);
    if (!walk.expect(is_shown(setup.control("Edit1")), "path page after Resume")) return false;

    // Progress: taken in the long pause before the shortcuts are made, which
    // follows the copy of setup into the install directory. The window shows
    // what it drew when it last handled messages, just before that pause.
    setup.next();
    if (!walk.expect(wait_until([&] { return is_shown(setup.control("pb1")); }), "progress page"))
        return false;
    const std::string uninstaller = default_install_directory() + "install.exe";
    if (!walk.expect(wait_until([&] { return exists(uninstaller); }, 30000),
                     "progress page with the uninstaller written"))
        return false;
    ::Sleep(300);
    walk.save(window, "05-progress");

    // Finished: Next reads "Finish" once the install is complete.
    if (!walk.expect(setup.wait_for_next_caption("Finish", 60000), "finished page")) return false;
    let_paint(setup);
    walk.save(window, "06-finish");

    setup.next();
    return walk.expect(setup.process().wait_for_exit(15000) && setup.process().exit_code() == 0,
                       "end of the program after Finish");
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: walkthrough PROGRAM FOLDER [NAME]\n");
        return 2;
    }
    // Window rectangles and screen pixels as they are, at any resolution.
    ::SetProcessDPIAware();
    const std::string folder = windows_path(argv[2]);
    ::CreateDirectoryA(folder.c_str(), nullptr);
    SetupDriver setup(windows_path(argv[1]));
    Walk walk(setup, folder);
    const bool completed =
        argc == 4 ? licence_only(setup, walk, argv[3]) : walk_through(setup, walk);
    return completed && !walk.failed() ? 0 : 1;
}
