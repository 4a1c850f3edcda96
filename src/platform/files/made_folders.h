#pragma once
// The folders made on the way to a directory: removed again, deepest first
// and only while empty, unless what they were made for is kept.
#include "platform/text/text.h"

namespace platform {

class MadeFolders {
public:
    MadeFolders() = default;
    MadeFolders(const MadeFolders &) = delete;
    MadeFolders &operator=(const MadeFolders &) = delete;
    ~MadeFolders();
    // Notes the first missing folder of dir (full, canonical, ending in a
    // backslash), before it is made.
    void note(const Text &dir);
    void keep() { first_.clear(); }

private:
    Text first_, last_;
};

} // namespace platform
