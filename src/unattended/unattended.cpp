#include "unattended.h"
#include "platform/registry.h"
#include "product/manifest.h"
#include "setup/steps.h"
#include "versions.h"
#include "platform/files/files.h"
#include "platform/files/paths.h"

bool UnattendedRun::start(const platform::Text &log_path) {
    if (!log_path.empty()) {
        try {
            log_.emplace(log_path);
        } catch (const platform::SetupError &) {
            return false; // nowhere to say why: the exit code says it failed
        }
    }
    started_ = true;
    // What a tool that collects logs from many machines needs first: when,
    // which program and version, and with which switches.
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    write(platform::joined(
        {log_time(now).c_str(), manifest::kWindowCaption, L": ", ::GetCommandLineW()}));
    return !failed_;
}

bool runs_as_installed_uninstaller() {
    try {
        return recorded_in_own_folder();
    } catch (const platform::SetupError &) {
        return false;
    }
}

platform::Text log_time(const SYSTEMTIME &time) {
    wchar_t text[40];
    ::wsprintfW(text, L"%04u-%02u-%02uT%02u:%02u:%02u ", time.wYear, time.wMonth, time.wDay,
                time.wHour, time.wMinute, time.wSecond);
    return text;
}

int UnattendedRun::run(const platform::Text &directory, bool removal_only) {
    // The wizard's start-up check: run from the recorded folder, the
    // removal; else an install into the folder given, or the recorded one,
    // or the default one.
    bool removal = false;
    platform::Text path = default_directory();
    attempt([&] {
        const platform::Text recorded = recorded_directory();
        removal = names_running_folder(recorded);
        if (removal || platform::is_full_path(recorded)) path = recorded;
    });
    if (!directory.empty()) path = directory;
    Installation installation;
    // From the folder either record names, the removal, whether or not the
    // start-up check found the location key: the removal of an entry whose
    // key an earlier removal took must go on, from the program's own
    // folder, and the entry's uninstall command with /S must not install.
    // Asked for the removal only, and no record names the folder: nothing.
    if (!failed_ && (removal_only || !removal)) {
        bool recorded = false;
        attempt([&recorded] { recorded = recorded_in_own_folder(); });
        if (failed_) return kExitFailed;
        if (recorded) {
            installation.directory = platform::directory_part(platform::module_path());
            installation.removal_of_own_folder = true;
            removal = true;
        } else if (removal_only) {
            return kExitUnknownProduct;
        }
    }
    // An install, unless it would replace a newer version: a repair or an
    // upgrade, never a downgrade that nobody sees.
    if (!removal) {
        // Read as the system gives it: a value that is no text, or longer
        // than any version, names none.
        wchar_t installed[32] = L"";
        DWORD type = 0, size = sizeof installed - sizeof(wchar_t);
        if (::RegQueryValueExW(
                platform::RegistryKey::open(manifest::kMachineRoot, manifest::kUninstallKey).get(),
                manifest::kDisplayVersionValue, nullptr, &type, reinterpret_cast<BYTE *>(installed),
                &size) == ERROR_SUCCESS &&
            type == REG_SZ && compare_versions(installed, manifest::kVersion) > 0)
            return kExitNewerVersionInstalled;
        installation.directory = install_directory_from(path);
        installation.all_users_shortcuts = true;
    }
    platform::Text removed_from;
    if (!failed_)
        attempt([&] {
            if (removal)
                removed_from = dodel(installation, *this);
            else if (!installation.directory.empty())
                docopy(installation, *this);
        });
    // After a removal, the uninstaller's own, as the wizard's Finish starts it.
    if (!failed_ && removal) attempt([&] { DeleteMe(removed_from, *this); });
    if (failed_) return kExitFailed;
    return restart_needed_ ? kExitRebootRequired : kExitDone;
}

int UnattendedRun::finish(int exit_code) {
    if (!started_) return exit_code;
    wchar_t line[24];
    ::wsprintfW(line, L"exit code %d", exit_code);
    write(line);
    return failed_ && exit_code == kExitDone ? kExitFailed : exit_code;
}

void UnattendedRun::attempt_call(void (*call)(void *step), void *step) {
    try {
        call(step);
    } catch (const platform::SetupError &error) {
        report_error(platform::error_box_text(error.what()), error.code());
    }
}

void UnattendedRun::status(const platform::Text &text) {
    write(text);
}

void UnattendedRun::message(const wchar_t *text, const wchar_t *, DWORD code) {
    report_error(text, code);
}

void UnattendedRun::report_error(const platform::Text &text, DWORD code) {
    failed_ = true;
    wchar_t number[40] = L"";
    if (code) ::wsprintfW(number, L" (system error %lu)", static_cast<unsigned long>(code));
    write(platform::joined({L"error: ", text.c_str(), number}));
}

void UnattendedRun::left_for_restart(const platform::Text &path) {
    restart_needed_ = true;
    write(L"delete at restart: " + path);
}

void UnattendedRun::folder_skipped(const platform::Text &folder, DWORD reason) {
    // Once for the shortcuts that follow one another there.
    if (folder == last_skipped_) return;
    last_skipped_ = folder;
    wchar_t number[40];
    ::wsprintfW(number, L" (system error %lu)", static_cast<unsigned long>(reason));
    write(platform::joined({L"folder skipped: ", folder.c_str(), number}));
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
