#include "installation.h"
#include "product/manifest.h"
#include "environment.h"
#include "platform/registry.h"
#include "registry_state.h"
#include "text.h"
#include <windows.h>
#include <algorithm>
#include <functional>

namespace testing_support {

std::string shell_folder(const wchar_t *value_name) {
    return utf8(platform::RegistryKey::open(manifest::kUserRoot, manifest::kShellFoldersKey)
                    .read_text(value_name)
                    .c_str());
}

namespace {
std::string digest(const std::string &bytes) {
    return std::to_string(bytes.size()) + ":" + std::to_string(std::hash<std::string>{}(bytes));
}
} // namespace

std::string installation_state(const std::string &directory) {
    std::vector<std::string> lines;
    WIN32_FIND_DATAA found;
    if (const HANDLE search = ::FindFirstFileA((directory + "*").c_str(), &found);
        search != INVALID_HANDLE_VALUE) {
        do
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                lines.push_back(std::string(found.cFileName) + " " +
                                digest(read_file(directory + found.cFileName)));
        while (::FindNextFileA(search, &found));
        ::FindClose(search);
    }
    for (const wchar_t *key_path : {manifest::kUninstallKey, manifest::kInstalledLocationKey}) {
        HKEY key = nullptr;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key_path, 0, KEY_READ, &key)) continue;
        lines.push_back(utf8(key_path));
        char name[256];
        unsigned char data[4096];
        for (DWORD index = 0;; ++index) {
            DWORD name_size = sizeof name, type = 0, size = sizeof data;
            if (::RegEnumValueA(key, index, name, &name_size, nullptr, &type, data, &size)) break;
            lines.push_back(utf8(key_path) + "\\" + name + " " + std::to_string(type) + " " +
                            digest(std::string(reinterpret_cast<char *>(data), size)));
        }
        ::RegCloseKey(key);
    }
    std::sort(lines.begin(), lines.end());
    for (const auto &path : shortcut_paths())
        lines.push_back(path + (exists(path) ? " " + digest(read_file(path)) : " none"));
    const RawValue restart = read_raw(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingRenamesValue);
    lines.push_back("restart list " + (restart.present ? digest(restart.bytes) : "none"));
    std::string state;
    for (const auto &line : lines)
        state += line + "\n";
    return state;
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
