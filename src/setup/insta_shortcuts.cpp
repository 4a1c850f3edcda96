// makeicon and MakeLink: the six shortcuts, then a nudge for the desktop.
#include "platform/security/acting_as_user.h"
#include "platform/files/files.h"
#include "platform/files/paths.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "product/manifest.h"
#include "steps.h"
#include "user_folders.h"

namespace {

// The user's folders may be written by the user's other programs: a link,
// or a second name of some other file, in a shortcut's place would have the
// save overwrite that file. Such a shortcut is not made, as one that cannot
// be saved is not; and the save in the user's own folders is the user's
// own, with the user's rights. Only administrators may write the folders
// of every user.
void save_unless_elsewhere(const platform::ShellLink &shortcut, const platform::Text &link_path,
                           bool all_users) {
    if (platform::leads_elsewhere(link_path)) return;
    const platform::ActingAsUser user(!all_users);
    shortcut_files().save(*shortcut.file.get(), link_path);
}

// One shortcut on the desktop or in the Start menu: properties first, then
// the folder lookup, then the save.
void make_folder_link(const platform::Text &target, int csidl, const wchar_t *link_name,
                      bool all_users, Progress &progress) {
    const auto shortcut = platform::create_shell_link();
    shortcut.link->SetPath(target.c_str());
    shortcut.link->SetWorkingDirectory(platform::directory_part(target).c_str());
    // A folder whose path the shell cannot give would leave the link at the
    // root of the current drive, where no uninstall looks for it.
    const platform::Text folder = platform::special_folder_path(csidl);
    platform::HeldFolders held;
    if (!usable_user_folder(folder) ||
        (all_users && !hold_all_users_folder(folder, held, progress)))
        return;
    const platform::Text link_path = folder + link_name;
    save_unless_elsewhere(shortcut, link_path, all_users);
}

// Makes the desktop redraw its icons: F5 posted to its icon view. Where
// there is no such window the messages go to this thread's own queue,
// where nothing handles them.
void refresh_desktop() {
    const HWND program_manager = ::FindWindowW(L"Progman", L"Program Manager");
    const HWND view = ::FindWindowExW(program_manager, nullptr, L"SHELLDLL_DefView", L"");
    const HWND icons = ::FindWindowExW(view, nullptr, L"SysListView32", L"");
    ::PostMessageW(icons, WM_KEYDOWN, VK_F5, 0);
    ::PostMessageW(icons, WM_KEYUP, VK_F5, static_cast<LPARAM>(0x80000000u));
}

} // namespace

void makeicon(const Installation &installation, Progress &progress) {
    // An unattended install runs as whoever the deployment tool runs it as,
    // often SYSTEM, whose own folders nobody sees.
    const bool all_users = installation.all_users_shortcuts;
    for (const auto &shortcut : manifest::kShortcuts) {
        const platform::Text target = installation.directory + shortcut.target;
        const auto &place = manifest::place_of(shortcut.folder);
        if (shortcut.folder == manifest::ShortcutFolder::programs)
            MakeLink(installation, target, shortcut.link, L" ", progress);
        else
            make_folder_link(target, all_users ? place.all_users_folder : place.user_folder,
                             shortcut.link, all_users, progress);
    }
    refresh_desktop();
}

void MakeLink(const Installation &installation, const platform::Text &target,
              const platform::Text &link_name, const platform::Text &description,
              Progress &progress) {
    const bool all_users = installation.all_users_shortcuts;
    const auto &place = manifest::place_of(manifest::ShortcutFolder::programs);
    const platform::Text programs =
        all_users ? platform::special_folder_path(place.all_users_folder)
                  : user_folder_value(platform::RegistryKey::open(manifest::kUserRoot,
                                                                  manifest::kShellFoldersKey),
                                      place.user_value, progress);
    // Without a Programs folder the path would start at the root of the
    // current drive: such shortcuts are not made, nor any in a folder named
    // through a device.
    if (!usable_user_folder(programs)) return;
    const platform::Text link_path = platform::joined({programs.c_str(), L"\\", link_name.c_str()});

    const auto shortcut = platform::create_shell_link();
    shortcut.link->SetShowCmd(SW_SHOWNORMAL);
    shortcut.link->SetArguments(L"");
    shortcut.link->SetDescription(description.c_str());
    shortcut.link->SetPath(target.c_str());
    shortcut.link->SetWorkingDirectory(platform::directory_part(target).c_str());
    platform::Text sub_folder = platform::directory_part(link_path);
    sub_folder.pop_back();
    platform::HeldFolders held;
    if (all_users) {
        // One level only, made with the access list of Program Files.
        if (!hold_all_users_folder(programs, held, progress) ||
            !hold_all_users_folder(sub_folder, held, progress, true))
            return;
    } else {
        const platform::ActingAsUser user;
        ::CreateDirectoryW(sub_folder.c_str(), nullptr); // one level only
    }
    // It may have been there already, as a link that the user put there:
    // followed, with the user's rights.
    save_unless_elsewhere(shortcut, link_path, all_users);
}
