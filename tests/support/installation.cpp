#include "installation.h"
#include "product/manifest.h"
#include "environment.h"
#include "platform/registry.h"
#include "registry_state.h"
#include "text.h"
#include <windows.h>

namespace testing_support {

std::string shell_folder(const wchar_t *value_name) {
    return utf8(platform::RegistryKey::open(manifest::kUserRoot, manifest::kShellFoldersKey)
                    .read_text(value_name)
                    .c_str());
}

std::vector<std::string> shortcut_paths() {
    const std::string programs = shell_folder(manifest::kProgramsValue) + "\\";
    return {shell_folder(manifest::kDesktopValue) + utf8(manifest::kDesktopAppLink),
            shell_folder(manifest::kDesktopValue) + utf8(manifest::kDesktopHelpLink),
            shell_folder(manifest::kStartMenuValue) + utf8(manifest::kStartMenuAppLink),
            programs + utf8(manifest::kProgramsAppLink),
            programs + utf8(manifest::kProgramsHelpLink),
            programs + utf8(manifest::kProgramsUninstallLink)};
}

std::string programs_sub_folder() {
    return shell_folder(manifest::kProgramsValue) + "\\" + utf8(manifest::kProgramsSubFolder);
}

void remove_installation_traces() {
    for (const auto &path : shortcut_paths())
        ::DeleteFileW(wide(path).c_str());
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
