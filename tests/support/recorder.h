#pragma once
// Stands in for the install and uninstall pacing: records every status
// text, position, pause and message-processing point in order, without
// sleeping.
#include "wizard/pacing.h"
#include "text.h"
#include <string>
#include <vector>

namespace testing_support {

class PacingRecorder : public Pacing {
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

    std::vector<std::string> only(const std::string &kind) const;
    std::vector<std::string> events;
};

} // namespace testing_support
