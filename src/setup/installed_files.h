#pragma once
// The six files of an installation (manifest::kInstalledFiles) replaced as
// one change: every file in a target's place held from the start, each new
// file staged at its own step, all six put in place at the commit, and the
// old ones deleted only once the whole install is kept. On every other way
// out the destination's files are as they were.
#include "platform/files/staged_file.h"
#include "platform/text/text.h"
#include "product/manifest.h"
#include <iterator>
#include <optional>

class InstalledFiles {
public:
    static constexpr std::size_t kCount = std::size(manifest::kInstalledFiles);

    // Holds every target in directory (ending in a backslash): "Cannot
    // create file %s" for the first that cannot be replaced. Installing again
    // from the uninstaller into its own directory finds the uninstaller's
    // target to be the running file itself, however the directory was typed:
    // it is left as it is, and nothing is staged for it.
    explicit InstalledFiles(const platform::Text &directory);

    // The file at that row of manifest::kInstalledFiles; null for an
    // uninstaller that stays as it is.
    platform::StagedFile *operator[](std::size_t index) {
        return files_[index] ? &*files_[index] : nullptr;
    }
    // Puts each staged file in its place, in order: "Cannot create file %s"
    // for one that cannot be, with those before it given back.
    void commit();
    // Deletes the files they replaced.
    void keep();

private:
    std::optional<platform::StagedFile> files_[kCount];
};
