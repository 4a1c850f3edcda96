#pragma once
// The user's folders (desktop, Start menu, Programs) come from the user's
// profile and HKEY_CURRENT_USER, which the user controls: what the program
// does there, it does as that user, with the user's own rights, which are
// the guard. A folder there that is a link or junction (a profile folder
// moved to another drive) is used as the user's shell uses it.
#include "platform/files/files.h"
#include "platform/text/text.h"
#include "progress.h"

// A drive path (X:\...) or a share (\\server\share\...): a device or object
// name, or a relative one, counts as empty, and nothing is made or deleted
// there.
bool usable_user_folder(const platform::Text &folder);

namespace platform {
class RegistryKey;
}
// The folder that value of the user's Shell Folders key, open at key,
// names. A value of another type than text names none: told to progress,
// and the rest of the install or the removal goes on without that folder.
platform::Text user_folder_value(const platform::RegistryKey &key, const wchar_t *value,
                                 Progress &progress);

// A folder of every user, judged as the destination is (see
// force_directories, which makes nothing here but with make): each folder
// on the way opened without following a link, judged for its rights, and
// held in held. Only administrators may change these folders, so setup
// works there with its own rights, never through a folder anybody else
// may change. False when it fails, and the folder is then told to
// progress with its reason; false too, silently, for a folder that is not
// usable at all.
bool hold_all_users_folder(const platform::Text &folder, platform::HeldFolders &held,
                           Progress &progress, bool make = false);

struct IPersistFile;

// The saves and deletions of shortcut files there, each made while the
// thread acts as the user. The program uses the real ones; tests may put a
// recorder in their place that looks at the thread's token first.
class ShortcutFiles {
public:
    virtual ~ShortcutFiles() = default;
    virtual void save(IPersistFile &file, const platform::Text &path);
    virtual void remove(const platform::Text &path);
};

ShortcutFiles &shortcut_files();
// nullptr restores the real ones.
void set_shortcut_files(ShortcutFiles *replacement);
