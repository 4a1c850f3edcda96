// The wizard: start-up check, page flow, cancel and the folder browser.
#include "insta.h"
#include "platform/files/paths.h"
#include "platform/shell.h"
#include "window/application.h"
#include "contiu.h"
#include "pacing.h"
#include "setup/steps.h"

namespace insta {
Page page_index = Page::licence;
platform::Text install_directory;
bool self_removal_pending = false;
} // namespace insta

using namespace insta;

namespace {
constexpr wchar_t kAccept[] = L"Yes,I Accept";
constexpr wchar_t kRefuseOnReturn[] = L"NO.I Don't Accept";
constexpr wchar_t kInstallChoice[] =
    L"Install Now!      Corvanta will be install on your computer, enjoy it";
constexpr wchar_t kRemoveChoice[] =
    L"I want to UNinstall!     Remove Corvanta from your computer,really?";
// A lone carriage return: the label shows the heading as two lines.
constexpr wchar_t kPathHeading[] =
    L"Corvanta will be installed in the path, \rTo change path, please click the button";
constexpr wchar_t kRemoveHeading[] = L"Remove Corvanta From you system now!";
constexpr wchar_t kInstallHeading[] = L"Copy Files to destination directory";
} // namespace

namespace {
// What setup's procedures report, on the progress page: the status line and
// the bar, the pauses and the waiting messages through the pacing seam, the
// program's own boxes as boxes.
class PageProgress : public Progress {
public:
    explicit PageProgress(TForm1 &form) : form_(form) {}
    void status(const platform::Text &text) override {
        form_.Label1->set_text(text);
        pacing().status_shown(text);
    }
    void position(int position) override {
        form_.pb1->set_position(position);
        pacing().position_shown(position);
    }
    void pause(DWORD milliseconds) override { pacing().pause(milliseconds); }
    void process_messages() override { pacing().process_messages(); }
    void message(const wchar_t *text, const wchar_t *caption, DWORD) override {
        ui::Application::get().show_message(text, caption);
    }
    void left_for_restart(const platform::Text &path) override { pacing().left_for_restart(path); }
    void folder_skipped(const platform::Text &folder, DWORD reason) override {
        pacing().folder_skipped(folder, reason);
    }

private:
    TForm1 &form_;
};
} // namespace

void TForm1::FormCreate() {
    // Without windows there is no screen to place the form on.
    if (windowed()) {
        set_top(::GetSystemMetrics(SM_CYSCREEN) / 2 - 190);
        set_left(::GetSystemMetrics(SM_CXSCREEN) / 2 - 260);
    }
    page_index = Page::licence;
    install_directory.clear();
    self_removal_pending = false;

    // Started from the recorded directory, the program is the uninstaller:
    // it opens on the choice page with removal checked.
    install_directory = recorded_directory();
    if (names_running_folder(install_directory)) {
        Edit1->set_text(install_directory);
        rb2->set_checked(true);
        Button2->set_enabled(true);
        Button2Click(*Button2);
    } else if (platform::is_full_path(install_directory)) {
        // Another setup program: an upgrade or a repair goes where the
        // installation is, not into a second copy beside it.
        Edit1->set_text(install_directory);
    }
}

void TForm1::Button2Click(ui::Control &sender) {
    const int step = (&sender == Button2) - (&sender == Button1);
    page_index = static_cast<Page>(static_cast<unsigned char>(page_index) + step);
    Button1->set_enabled(page_index != Page::licence);
    // With removal chosen, Next on the choice page goes straight to the work.
    if (page_index == Page::path && rb2->checked()) page_index = Page::progress;
    apply_page();
}

void TForm1::apply_page() {
    switch (page_index) {
    case Page::licence:
        rb1->set_top(272);
        rb1->set_text(kAccept);
        rb2->set_text(kRefuseOnReturn);
        for (auto *shown : {rb1, rb2, Memo1})
            shown->set_visible(true);
        for (auto *hidden : {Image3, Image4, Label1, Edit1, Button4, Image2})
            hidden->set_visible(false);
        Button2->set_focus();
        break;
    case Page::choice:
        rb1->set_top(120);
        rb1->set_text(kInstallChoice);
        rb2->set_text(kRemoveChoice);
        for (auto *shown : {rb1, rb2, Image3, Image4})
            shown->set_visible(true);
        for (auto *hidden : {Memo1, Label2, Label1, Edit1, Button4, Image2})
            hidden->set_visible(false);
        break;
    case Page::path:
        for (auto *hidden : {rb1, rb2, Image3, Image4, Memo1, Label1})
            hidden->set_visible(false);
        Label2->set_text(kPathHeading);
        for (auto *shown : {Label2, Edit1, Button4, Image2})
            shown->set_visible(true);
        Button2->set_focus();
        break;
    case Page::progress:
        for (auto *hidden : {rb1, rb2, Image3, Image4})
            hidden->set_visible(false);
        if (rb2->checked()) {
            show_progress_page(kRemoveHeading);
            PageProgress progress(*this);
            install_directory = dodel({}, progress);
            self_removal_pending = true;
            Button2->set_text(L"finish");
            Button2->set_enabled(true);
            Button2->set_focus();
        } else {
            install_directory = install_directory_from(Edit1->text());
            if (install_directory.empty()) return; // the path page stays as it is
            show_progress_page(kInstallHeading);
            PageProgress progress(*this);
            if (!docopy({install_directory}, progress)) return; // stopped after its box
            Button2->set_enabled(true);
            Button2->set_text(L"Finish");
            Button2->set_focus();
        }
        break;
    case Page::close:
        close();
        break;
    default:
        break;
    }
}

void TForm1::show_progress_page(const wchar_t *heading) {
    Label2->set_text(heading);
    Label2->set_visible(true);
    for (auto *button : {Button1, Button2, Button3})
        button->set_enabled(false);
    for (auto *hidden : {Edit1, Button4, Image3, Image4})
        hidden->set_visible(false);
    for (auto *shown : {Label1, Image2, pb1})
        shown->set_visible(true);
}

void TForm1::rb1Click(ui::Control &) {
    if (rb1->checked()) Button2->set_enabled(true);
}

void TForm1::Button3Click(ui::Control &) {
    Form2->show_modal();
}

void TForm1::Button4Click(ui::Control &) {
    std::optional<platform::Text> folder;
    {
        const ui::TaskWindowsDisabled disabled;
        folder = platform::browse_for_folder(ui::Application::get().handle(), L"Select Directory");
    }
    if (folder) Edit1->set_text(*folder);
}

void TForm1::FormClose(CloseAction &) {
    if (!self_removal_pending) return;
    // A script that cannot be written is reported, and the close still goes
    // through, so that the user can always end the program.
    try {
        PageProgress progress(*this);
        DeleteMe(install_directory, progress);
        ui::Application::get().terminate();
    } catch (const platform::SetupError &error) {
        ui::Application::get().show_error(error);
    }
}
