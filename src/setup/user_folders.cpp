#include "user_folders.h"
#include "platform/files/paths.h"
#include "platform/registry.h"
#include "platform/security/security.h"
#include "platform/setup_error.h"
#include "product/manifest.h"
#include <objidl.h>

bool usable_user_folder(const platform::Text &folder) {
    return platform::is_full_path(folder + L"\\");
}

platform::Text user_folder_value(const platform::RegistryKey &key, const wchar_t *value,
                                 Progress &progress) {
    try {
        return key.read_text(value);
    } catch (const platform::SetupError &) {
        // Whatever put it there, one value must not stop every removal.
        progress.folder_skipped(
            platform::joined({L"HKEY_CURRENT_USER\\", manifest::kShellFoldersKey, L"\\", value}),
            ERROR_INVALID_DATATYPE);
        return {};
    }
}

bool hold_all_users_folder(const platform::Text &folder, platform::HeldFolders &held,
                           Progress &progress, bool make) {
    if (!usable_user_folder(folder)) return false;
    platform::RunningAccount account;
    const DWORD refused =
        platform::hold_directories(folder, account.trusted_sid(), true, held, make);
    if (refused) progress.folder_skipped(folder, refused);
    return !refused;
}

void ShortcutFiles::save(IPersistFile &file, const platform::Text &path) {
    file.Save(path.c_str(), FALSE);
}

void ShortcutFiles::remove(const platform::Text &path) {
    ::DeleteFileW(path.c_str());
}

namespace {
ShortcutFiles real_files;
ShortcutFiles *current = &real_files;
} // namespace

ShortcutFiles &shortcut_files() {
    return *current;
}

void set_shortcut_files(ShortcutFiles *replacement) {
    current = replacement ? replacement : &real_files;
}
