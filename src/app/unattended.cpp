#include "unattended.h"
#include "insta.h"
#include "../platform/files.h"
#include "../platform/paths.h"

UnattendedRun::~UnattendedRun() {
    if (!started_) return;
    ui::Application::get().set_report(nullptr);
    set_pacing(nullptr);
}

bool UnattendedRun::start(const platform::Text &log_path) {
    if (!log_path.empty()) {
        // Written with administrator rights: through no link on the way.
        if (platform::path_has_link(platform::full_path(log_path))) return false;
        try {
            log_.emplace(log_path);
        } catch (const platform::SetupError &) {
            return false; // nowhere to say why: the exit code says it failed
        }
    }
    started_ = true;
    ui::Application::get().set_report(this);
    set_pacing(this);
    return true;
}

int UnattendedRun::run(TForm1 &form) {
    // Removal needs nothing more: the start-up check has opened the choice
    // page with it chosen. An install goes on from the path page.
    if (!form.rb2->checked()) insta::page_index = 2;
    const auto next = [&form] { form.Button2Click(*form.Button2); };
    if (!failed_) ui::guarded(next); // the procedure
    if (!failed_) ui::guarded(next); // Finish, and after a removal the uninstaller's own
    return failed_ ? kExitFailed : kExitDone;
}

void UnattendedRun::status_shown(const platform::Text &text) {
    write(text);
}

void UnattendedRun::report_error(const platform::Text &text, DWORD code) {
    failed_ = true;
    wchar_t number[40] = L"";
    if (code) ::wsprintfW(number, L" (system error %lu)", static_cast<unsigned long>(code));
    write(platform::joined({L"error: ", text.c_str(), number}));
}

void UnattendedRun::write(const platform::Text &line) {
    if (!log_) return;
    // A log that cannot be written fails the run, which goes on as it would.
    try {
        log_->write_line(line);
    } catch (const platform::SetupError &) {
        failed_ = true;
    }
}
