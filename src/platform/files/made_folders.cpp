#include "made_folders.h"
#include "platform/files/files.h"
#include <windows.h>

namespace platform {

MadeFolders::~MadeFolders() {
    if (first_.empty()) return;
    for (Text folder = last_; folder.size() >= first_.size();
         folder = folder.substr(0, folder.find_last_of(L"\\")))
        if (!::RemoveDirectoryW(folder.c_str())) return;
}

void MadeFolders::note(const Text &dir) {
    // After the drive, or the share.
    const std::size_t root = dir[1] == L':' ? 2 : dir.find(L'\\', dir.find(L'\\', 2) + 1);
    for (std::size_t end = dir.find(L'\\', root + 1); end != Text::npos;
         end = dir.find(L'\\', end + 1))
        if (!directory_exists(dir.substr(0, end))) {
            first_ = dir.substr(0, end);
            last_ = dir.substr(0, dir.size() - 1);
            return;
        }
}

} // namespace platform
