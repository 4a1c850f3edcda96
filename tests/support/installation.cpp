#include "installation.h"
#include "app/manifest.h"
#include "environment.h"
#include "platform/registry.h"
#include "registry_state.h"
#include <windows.h>

namespace testing_support {

std::string shell_folder(const char *value_name) {
    return platform::RegistryKey::open(manifest::kUserRoot, manifest::kShellFoldersKey)
        .read_text(value_name)
        .c_str();
}

std::vector<std::string> shortcut_paths() {
    const std::string programs = shell_folder(manifest::kProgramsValue) + "\\";
    return {shell_folder(manifest::kDesktopValue) + manifest::kDesktopAppLink,
            shell_folder(manifest::kDesktopValue) + manifest::kDesktopHelpLink,
            shell_folder(manifest::kStartMenuValue) + manifest::kStartMenuAppLink,
            programs + manifest::kProgramsAppLink,
            programs + manifest::kProgramsHelpLink,
            programs + manifest::kProgramsUninstallLink};
}

std::string programs_sub_folder() {
    return shell_folder(manifest::kProgramsValue) + "\\" + manifest::kProgramsSubFolder;
}

void remove_installation_traces() {
    for (const auto &path : shortcut_paths())
        ::DeleteFileA(path.c_str());
    remove_tree(programs_sub_folder());
    delete_product_keys();
}

std::vector<std::string> payload_sources() {
    std::vector<std::string> sources;
    for (const char *source : kCarriedFileSources)
        sources.push_back(windows_path(source));
    return sources;
}

} // namespace testing_support
