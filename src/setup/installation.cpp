#include "installation.h"
#include "platform/files/paths.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "product/manifest.h"

platform::Text install_directory_from(const platform::Text &typed) {
    platform::Text directory = platform::trim(typed);
    if (directory.empty()) return directory;
    if (directory.back() == '\\') directory.pop_back();
    directory += '\\';
    return directory;
}

platform::Text default_directory() {
    const platform::Text programs = platform::known_folder_path(CSIDL_PROGRAM_FILES);
    if (programs.empty()) return manifest::kDefaultDirectory;
    return platform::joined({programs.c_str(), L"\\", manifest::kInstallFolderName});
}

platform::Text recorded_directory() {
    return platform::RegistryKey::open(manifest::kMachineRoot, manifest::kInstalledLocationKey)
        .read_text(manifest::kInstalledLocationValue);
}

// Records are written canonical, and the system gives the program its path
// canonical.
bool names_running_folder(const platform::Text &recorded) {
    return platform::ascii_lower(recorded) ==
           platform::ascii_lower(platform::directory_part(platform::module_path()));
}

bool recorded_in_own_folder() {
    const wchar_t *const records[][2] = {
        {manifest::kInstalledLocationKey, manifest::kInstalledLocationValue},
        {manifest::kUninstallKey, manifest::kInstallLocationValue}};
    for (const auto &record : records)
        if (names_running_folder(platform::RegistryKey::open(manifest::kMachineRoot, record[0])
                                     .read_text(record[1])))
            return true;
    return false;
}
