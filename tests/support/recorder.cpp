#include "recorder.h"

namespace testing_support {

std::vector<std::string> PacingRecorder::only(const std::string &kind) const {
    std::vector<std::string> picked;
    for (const auto &event : events)
        if (event.compare(0, kind.size(), kind) == 0) picked.push_back(event);
    return picked;
}

} // namespace testing_support
