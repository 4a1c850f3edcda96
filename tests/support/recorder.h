#pragma once
// Stands in for the wizard's pacing, and for whatever runs setup's
// procedures: records every status text, position, pause, message-processing
// point and box in order, without sleeping.
#include "setup/progress.h"
#include "wizard/pacing.h"
#include "text.h"
#include <string>
#include <vector>

namespace testing_support {

class PacingRecorder : public Pacing, public Progress {
public:
    PacingRecorder() { set_pacing(this); }
    ~PacingRecorder() override { set_pacing(nullptr); }

    void pause(DWORD milliseconds) override {
        events.push_back("pause " + std::to_string(milliseconds));
    }
    void process_messages() override {
        events.push_back("process");
        Pacing::process_messages();
    }
    void status_shown(const platform::Text &text) override {
        events.push_back("status " + utf8(text.c_str()));
    }
    void position_shown(int position) override {
        events.push_back("position " + std::to_string(position));
    }

    void folder_skipped(const platform::Text &folder, DWORD reason) override {
        events.push_back("skipped " + utf8(folder.c_str()) + " " + std::to_string(reason));
    }
    // Called directly, without the wizard's page in between.
    void status(const platform::Text &text) override { status_shown(text); }
    void position(int position) override { position_shown(position); }
    void message(const wchar_t *text, const wchar_t *, DWORD) override {
        events.push_back("message " + utf8(text));
    }
    void left_for_restart(const platform::Text &path) override { Pacing::left_for_restart(path); }

    std::vector<std::string> only(const std::string &kind) const;
    std::vector<std::string> events;
};

} // namespace testing_support
