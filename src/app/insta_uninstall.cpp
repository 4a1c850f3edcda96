// dodel: the uninstall sequence. Deletions are attempted once each and their
// outcomes are not reported; nothing outside the recorded places is touched.
#include "../platform/acting_as_user.h"
#include "../platform/files.h"
#include "../platform/paths.h"
#include "../platform/registry.h"
#include "insta.h"
#include "manifest.h"
#include "user_folders.h"

using insta::install_directory;

namespace {

// A link or junction, made by whoever could write there, is skipped: the
// deletion would land wherever it points.
void delete_file(const platform::Text &path) {
    if (!platform::is_link(path)) ::DeleteFileW(path.c_str());
}

// Whether the program's files may be deleted from a folder: not when any
// folder on its way is a link or junction.
bool deletable_folder(const platform::Text &folder) {
    return !platform::path_has_link(folder);
}

// A shortcut in the user's folders, deleted with the user's rights.
void delete_shortcut(const platform::Text &path) {
    if (!platform::is_link(path)) shortcut_files().remove(path);
}

} // namespace

void TForm1::dodel() {
    set_position(90);
    {
        const auto key =
            platform::RegistryKey::open(manifest::kMachineRoot, manifest::kInstalledLocationKey);
        install_directory = key.read_text(manifest::kInstalledLocationValue);
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
    if (platform::is_full_path(dir) && deletable_folder(dir))
        for (const auto &payload : manifest::kPayloads)
            delete_file(dir + payload.file);
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
        const platform::Text desktop = key.read_text(manifest::kDesktopValue);
        if (usable_user_folder(desktop)) {
            delete_shortcut(desktop + manifest::kDesktopAppLink);
            delete_shortcut(desktop + manifest::kDesktopHelpLink);
        }
        const platform::Text start_menu = key.read_text(manifest::kStartMenuValue);
        if (usable_user_folder(start_menu))
            delete_shortcut(start_menu + manifest::kStartMenuAppLink);
        const platform::Text programs = key.read_text(manifest::kProgramsValue);
        const platform::Text sub_folder =
            platform::joined({programs.c_str(), L"\\", manifest::kProgramsSubFolder});
        if (usable_user_folder(programs)) {
            const platform::Text folder = programs + L"\\";
            delete_shortcut(folder + manifest::kProgramsAppLink);
            delete_shortcut(folder + manifest::kProgramsUninstallLink);
            delete_shortcut(folder + manifest::kProgramsHelpLink);
            ::RemoveDirectoryW(sub_folder.c_str());
        }
    }
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
