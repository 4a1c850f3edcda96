#include "installed_files.h"
#include "platform/files/files.h"
#include "platform/files/paths.h"

InstalledFiles::InstalledFiles(const platform::Text &directory) {
    const platform::Text running = platform::module_path();
    for (std::size_t i = 0; i < kCount; ++i) {
        const auto &file = manifest::kInstalledFiles[i];
        const platform::Text target = directory + file.name;
        if (file.uninstaller && platform::same_file(running, target)) continue;
        // A link or a read-only file in the uninstaller's place, which no
        // file is written through, is replaced as any other.
        files_[i].emplace(
            target, platform::StagedFile::Suffixes{file.staged_suffix, manifest::kReplacedSuffix},
            !file.uninstaller);
    }
}

void InstalledFiles::commit() {
    for (auto &file : files_)
        if (file) file->commit();
}

void InstalledFiles::keep() {
    for (auto &file : files_)
        if (file) file->keep();
}
