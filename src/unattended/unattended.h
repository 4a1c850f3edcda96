#pragma once
// A run that shows no window at all: setup's procedures, called as the
// wizard calls them, without the pauses meant for a watching user; each
// status text, and the text of each box the wizard would show, goes to a
// log instead.
#include "platform/setup_error.h"
#include "platform/text/text_file.h"
#include "setup/progress.h"
#include <optional>
#include <type_traits>

// The exit codes of such a run, as the common installer systems give them.
inline constexpr int kExitDone = 0;
inline constexpr int kExitBadCommandLine = 87;
inline constexpr int kExitFailed = 1603;
inline constexpr int kExitUnknownProduct = 1605; // no installation in the uninstaller's folder
inline constexpr int kExitAlreadyRunning = 1618; // another setup holds the machine
inline constexpr int kExitRebootRequired = 3010; // done; a file goes at the next restart
// ERROR_PRODUCT_VERSION: a newer version is installed; nothing was changed.
inline constexpr int kExitNewerVersionInstalled = 1638;

// Whether a run with /S from this program file would be the removal: either
// record of the installation names the program's folder. A record that
// cannot be read names none here; the run itself then says why it fails.
bool runs_as_installed_uninstaller();

// How the log's first line begins: the local time as "2026-01-05T03:04:05 ",
// every number but the year in two digits, as tools that sort logs expect.
platform::Text log_time(const SYSTEMTIME &time);

class UnattendedRun : public Progress {
public:
    UnattendedRun() = default;
    UnattendedRun(const UnattendedRun &) = delete;
    UnattendedRun &operator=(const UnattendedRun &) = delete;
    ~UnattendedRun() = default;

    // Creates the log at log_path (none when it is empty) and names the
    // time, the program and its command line in it; false when the log
    // cannot be made.
    bool start(const platform::Text &log_path);
    // What the wizard's start-up check would choose: an install into
    // directory (when given, else the recorded folder or the default one),
    // with the shortcuts for every user, unless a newer version is
    // installed; or, from the installed copy, the removal, and then the
    // uninstaller's own. The exit code: failed once any box would have been
    // shown, else whether a file waits for the next restart. removal_only:
    // the removal of the installation in the program's own folder, or, when
    // no record names that folder, nothing at all (unknown product).
    int run(const platform::Text &directory, bool removal_only);
    // The run's last line, "exit code N"; returns the code, or the failure
    // of a log that cannot take the line.
    int finish(int exit_code);

    void status(const platform::Text &text) override;
    void position(int) override {}
    void pause(DWORD) override {}
    void process_messages() override {}
    void message(const wchar_t *text, const wchar_t *caption, DWORD code) override;
    void left_for_restart(const platform::Text &path) override;
    void folder_skipped(const platform::Text &folder, DWORD reason) override;

private:
    // Runs a step; an error that leaves it is logged as the wizard's box
    // would show it, and fails the run.
    template <typename Step> void attempt(Step &&step) {
        // One place catches for every step: the catch is not repeated for each.
        using Call = std::remove_reference_t<Step>;
        attempt_call([](void *s) { (*static_cast<Call *>(s))(); }, &step);
    }
    void attempt_call(void (*call)(void *step), void *step);
    void report_error(const platform::Text &text, DWORD code);
    void write(const platform::Text &line);

    std::optional<platform::TextFileWriter> log_;
    platform::Text last_skipped_;
    bool started_ = false;
    bool failed_ = false;
    bool restart_needed_ = false;
};
