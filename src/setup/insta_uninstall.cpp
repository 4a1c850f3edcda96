// dodel: the uninstall sequence. Deletions are attempted once each and their
// outcomes are not reported; nothing outside the recorded places is touched.
#include "platform/security/acting_as_user.h"
#include "platform/files/files.h"
#include "platform/files/paths.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "product/manifest.h"
#include "steps.h"
#include "user_folders.h"

namespace {

// An installed file: one in use (the application running) is left to the
// system to delete at the next restart, where only administrators could
// have put another file in its place meanwhile (the install directory lets
// nobody else change it). Windows refuses a running program's deletion as
// access denied, other files in use as a sharing violation.
bool delete_installed_file(const platform::Text &path, Progress &progress) {
    if (platform::is_link(path) || ::DeleteFileW(path.c_str())) return false;
    const DWORD error = ::GetLastError();
    if ((error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) ||
        !::MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
        return false;
    progress.left_for_restart(path);
    return true;
}

// Whether the program's files may be deleted from a folder: not when any
// folder on its way is a link or junction.
bool deletable_folder(const platform::Text &folder) {
    return !platform::path_has_link(folder);
}

// A shortcut, deleted through the seam every shortcut file goes through. A
// link or junction, made by whoever could write there, is skipped: the
// deletion would land wherever it points.
void delete_shortcut(const platform::Text &path) {
    if (!platform::is_link(path)) shortcut_files().remove(path);
}

// A folder of shortcuts: the user's, from the user's key, or with none
// every user's.
platform::Text shortcut_folder(const platform::RegistryKey *user_key,
                               manifest::ShortcutFolder which, Progress &progress) {
    const auto &place = manifest::place_of(which);
    return user_key ? user_folder_value(*user_key, place.user_value, progress)
                    : platform::special_folder_path(place.all_users_folder);
}

// The shortcuts in one folder (ending in a backslash for Programs).
void delete_shortcuts_in(const platform::Text &folder, manifest::ShortcutFolder which) {
    for (const auto index : manifest::kShortcutRemovalOrder)
        if (manifest::kShortcuts[index].folder == which)
            delete_shortcut(folder + manifest::kShortcuts[index].link);
}

// The six shortcuts and the Programs sub-folder from one set of folders,
// each folder looked up just before its shortcuts go. Those of every user
// are judged first and held meanwhile (see hold_all_users_folder).
void delete_shortcuts(const platform::RegistryKey *user_key, Progress &progress) {
    using manifest::ShortcutFolder;
    platform::HeldFolders held;
    for (const auto which :
         {ShortcutFolder::desktop, ShortcutFolder::start_menu, ShortcutFolder::programs}) {
        const platform::Text folder = shortcut_folder(user_key, which, progress);
        if (!usable_user_folder(folder) ||
            (!user_key && !hold_all_users_folder(folder, held, progress)))
            continue;
        if (which != ShortcutFolder::programs) {
            delete_shortcuts_in(folder, which);
            continue;
        }
        const platform::Text sub_folder =
            platform::joined({folder.c_str(), L"\\", manifest::kProgramsSubFolder});
        {
            platform::HeldFolders sub;
            if (!user_key && platform::directory_exists(sub_folder) &&
                !hold_all_users_folder(sub_folder, sub, progress))
                return;
            delete_shortcuts_in(folder + L"\\", which);
        } // let go, for its removal; Programs, held, keeps it in place
        ::RemoveDirectoryW(sub_folder.c_str());
    }
}

} // namespace

platform::Text dodel(const Installation &installation, Progress &progress) {
    progress.position(90);
    platform::Text dir = installation.directory;
    {
        const auto key =
            platform::RegistryKey::open(manifest::kMachineRoot, manifest::kInstalledLocationKey);
        const platform::Text recorded = key.read_text(manifest::kInstalledLocationValue);
        if (!installation.removal_of_own_folder) dir = recorded;
        key.delete_value(manifest::kInstalledLocationValue);
        platform::delete_key_tree(manifest::kMachineRoot, manifest::kInstalledLocationKey);
    }
    progress.status(L"delete Key from HKEY_LOCAL_MACHINE\\SOFTWARE\\tolmera");
    progress.process_messages();
    progress.pause(400);
    progress.position(90);
    progress.position(20);

    progress.status(L"delete Files from " + dir);
    progress.process_messages();
    // Anything but a full path would be resolved against the current
    // directory, which may hold anybody's files of these names.
    if (platform::is_full_path(dir) && deletable_folder(dir)) {
        bool left = false;
        // The uninstaller goes with the running program's own removal.
        for (const auto &file : manifest::kInstalledFiles)
            if (!file.uninstaller) left |= delete_installed_file(dir + file.name, progress);
        // What an install that was stopped left beside them: staged, or
        // replaced and not yet deleted.
        for (const auto &file : manifest::kInstalledFiles)
            for (const wchar_t *suffix : {file.staged_suffix, manifest::kReplacedSuffix})
                left |= delete_installed_file(platform::joined({dir.c_str(), file.name, suffix}),
                                              progress);
        // Its folder goes after it, if nothing else is left in it then.
        if (left)
            ::MoveFileExW(dir.substr(0, dir.size() - 1).c_str(), nullptr,
                          MOVEFILE_DELAY_UNTIL_REBOOT);
    }
    progress.pause(400);
    progress.position(90);
    progress.position(30);

    progress.status(L"delete Desktop icon and  links");
    progress.process_messages();
    {
        // The user's folders, and the user's rights in them.
        const platform::ActingAsUser user;
        const auto key =
            platform::RegistryKey::open(manifest::kUserRoot, manifest::kShellFoldersKey);
        delete_shortcuts(&key, progress);
    }
    // Those of every user, which an unattended install makes.
    delete_shortcuts(nullptr, progress);
    progress.pause(400);
    progress.position(90);
    progress.position(40);

    if (const auto key =
            platform::RegistryKey::open(manifest::kMachineRoot, manifest::kUninstallKey);
        key.is_open()) {
        key.delete_value(manifest::kDisplayNameValue);
        key.delete_value(manifest::kUninstallStringValue);
        platform::delete_key_tree(manifest::kMachineRoot, manifest::kUninstallKey);
    }

    progress.position(80);
    progress.pause(1500);
    progress.position(100);
    progress.status(L"unstall has finish!");
    return dir;
}
