// dodel: the uninstall sequence. Deletions are attempted once each and their
// outcomes are not reported; nothing outside the recorded places is touched.
#include "platform/security/acting_as_user.h"
#include "platform/files/files.h"
#include "platform/files/paths.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "wizard/insta.h"
#include "product/manifest.h"
#include "user_folders.h"

using insta::install_directory;

namespace {

// An installed file: one in use (the application running) is left to the
// system to delete at the next restart, where only administrators could
// have put another file in its place meanwhile (the install directory lets
// nobody else change it). Windows refuses a running program's deletion as
// access denied, other files in use as a sharing violation.
bool delete_installed_file(const platform::Text &path) {
    if (platform::is_link(path) || ::DeleteFileW(path.c_str())) return false;
    const DWORD error = ::GetLastError();
    if ((error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) ||
        !::MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
        return false;
    pacing().left_for_restart(path);
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

// A folder of shortcuts, 0 desktop, 1 Start menu, 2 Programs: the user's,
// from the user's key, or with none every user's.
platform::Text shortcut_folder(const platform::RegistryKey *user_key, int which) {
    static const wchar_t *const kUserValues[] = {manifest::kDesktopValue, manifest::kStartMenuValue,
                                                 manifest::kProgramsValue};
    static const int kAllUsersFolders[] = {manifest::kAllUsersDesktopFolder,
                                           manifest::kAllUsersStartMenuFolder,
                                           manifest::kAllUsersProgramsFolder};
    return user_key ? user_key->read_text(kUserValues[which])
                    : platform::special_folder_path(kAllUsersFolders[which]);
}

// The six shortcuts and the Programs sub-folder from one set of folders,
// each folder looked up just before its shortcuts go. Those of every user
// are judged first and held meanwhile (see hold_all_users_folder).
void delete_shortcuts(const platform::RegistryKey *user_key) {
    platform::HeldFolders held;
    const auto usable = [user_key, &held](const platform::Text &folder) {
        return usable_user_folder(folder) && (user_key || hold_all_users_folder(folder, held));
    };
    const platform::Text desktop = shortcut_folder(user_key, 0);
    if (usable(desktop)) {
        delete_shortcut(desktop + manifest::kDesktopAppLink);
        delete_shortcut(desktop + manifest::kDesktopHelpLink);
    }
    const platform::Text start_menu = shortcut_folder(user_key, 1);
    if (usable(start_menu)) delete_shortcut(start_menu + manifest::kStartMenuAppLink);
    const platform::Text programs = shortcut_folder(user_key, 2);
    const platform::Text sub_folder =
        platform::joined({programs.c_str(), L"\\", manifest::kProgramsSubFolder});
    if (usable(programs)) {
        {
            platform::HeldFolders sub;
            if (!user_key && platform::directory_exists(sub_folder) &&
                !hold_all_users_folder(sub_folder, sub))
                return;
            const platform::Text folder = programs + L"\\";
            delete_shortcut(folder + manifest::kProgramsAppLink);
            delete_shortcut(folder + manifest::kProgramsUninstallLink);
            delete_shortcut(folder + manifest::kProgramsHelpLink);
        } // let go, for its removal; Programs, held, keeps it in place
        ::RemoveDirectoryW(sub_folder.c_str());
    }
}

} // namespace

void TForm1::dodel() {
    set_position(90);
    {
        const auto key =
            platform::RegistryKey::open(manifest::kMachineRoot, manifest::kInstalledLocationKey);
        const platform::Text recorded = key.read_text(manifest::kInstalledLocationValue);
        if (!insta::removal_of_own_folder) install_directory = recorded;
        key.delete_value(manifest::kInstalledLocationValue);
        platform::delete_key_tree(manifest::kMachineRoot, manifest::kInstalledLocationKey);
    }
    const platform::Text &dir = install_directory;
    set_status(L"delete Key from HKEY_LOCAL_MACHINE\\SOFTWARE\\tolmera");
    pacing().process_messages();
    pacing().pause(400);
    set_position(90);
    set_position(20);

    set_status(L"delete Files from " + dir);
    pacing().process_messages();
    // Anything but a full path would be resolved against the current
    // directory, which may hold anybody's files of these names.
    if (platform::is_full_path(dir) && deletable_folder(dir)) {
        bool left = false;
        for (const auto &payload : manifest::kPayloads)
            left |= delete_installed_file(dir + payload.file);
        // The uninstaller's copy of an install that was stopped before it took its place.
        left |= delete_installed_file(dir + manifest::kStagedUninstallerFile);
        // Its folder goes after it, if nothing else is left in it then.
        if (left)
            ::MoveFileExW(dir.substr(0, dir.size() - 1).c_str(), nullptr,
                          MOVEFILE_DELAY_UNTIL_REBOOT);
    }
    pacing().pause(400);
    set_position(90);
    set_position(30);

    set_status(L"delete Desktop icon and  links");
    pacing().process_messages();
    {
        // The user's folders, and the user's rights in them.
        const platform::ActingAsUser user;
        const auto key =
            platform::RegistryKey::open(manifest::kUserRoot, manifest::kShellFoldersKey);
        delete_shortcuts(&key);
    }
    // Those of every user, which an unattended install makes.
    delete_shortcuts(nullptr);
    pacing().pause(400);
    set_position(90);
    set_position(40);

    if (const auto key =
            platform::RegistryKey::open(manifest::kMachineRoot, manifest::kUninstallKey);
        key.is_open()) {
        key.delete_value(manifest::kDisplayNameValue);
        key.delete_value(manifest::kUninstallStringValue);
        platform::delete_key_tree(manifest::kMachineRoot, manifest::kUninstallKey);
    }

    insta::self_removal_pending = 1;
    set_position(80);
    pacing().pause(1500);
    set_position(100);
    set_status(L"unstall has finish!");
    Button2->set_text(L"finish");
    Button2->set_enabled(true);
}
