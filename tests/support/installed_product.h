#pragma once
// What a complete install leaves on the machine, where to look for it, and
// how to take it all away again so that the next test starts clean.
#include "installation.h" // programs_sub_folder()
#include <windows.h>
#include <string>
#include <vector>

namespace testing_support {

// The user's folders as the shell reports them (no trailing backslash).
struct UserFolders {
    std::string desktop;    // CSIDL_DESKTOPDIRECTORY
    std::string start_menu; // CSIDL_STARTMENU
    std::string programs;   // the "Programs" shell-folder value
};
UserFolders user_folders();
// The same folders of every user (CSIDL_COMMON_...), where an unattended
// install puts its shortcuts.
UserFolders all_users_folders();

struct ExpectedShortcut {
    std::string path;   // the link file
    std::string target; // install directory + file name
    bool in_programs_sub_folder = false;
};
// The six shortcuts of an install into directory (ending in a backslash), in
// the user's own folders or in those of every user.
std::vector<ExpectedShortcut> expected_shortcuts(const std::string &directory,
                                                 const UserFolders &folders = user_folders());

struct CarriedFile {
    std::string name;   // in the install directory
    std::string source; // the file the build carried
};
// The five payload files, in the order they are installed.
std::vector<CarriedFile> carried_files();

// The text of a REG_SZ value; empty when missing.
std::string read_string(HKEY root, const std::string &key, const std::string &name);

// Checks, as a user or the system's list of programs would, everything a
// complete install into directory leaves: files, records, shortcuts; the
// shortcuts in the user's own folders (the wizard) or, for_all_users, in
// those of every user (an unattended install), and none in the others.
inline constexpr bool kForAllUsers = true;
void expect_complete_install(const std::string &directory, bool for_all_users = false);
// Checks that the five files, both records and the six shortcuts, the
// user's and every user's, are gone (the Programs sub-folder goes only when
// nothing else is in it).
void expect_removed(const std::string &directory);

// Removes both registry records, directory and everything in it, the six
// shortcuts and the Programs sub-folder, the user's and every user's.
void remove_product(const std::string &directory);

// Copies the built program to directory + "\" + name and returns the copy's path.
std::string copy_program(const std::string &directory, const std::string &name = "instal.exe");

// Waits until path is gone (a self-removal script at work).
bool wait_until_gone(const std::string &path, unsigned timeout_ms);

// The self-removal script runs from a folder of its own in the Windows
// directory's Temp folder: what that folder holds (names, sorted), and a
// wait until it holds just what it held before.
std::string windows_temp();
std::vector<std::string> windows_temp_entries();
bool wait_until_windows_temp_holds(const std::vector<std::string> &entries, unsigned timeout_ms);

// The Windows directory's Temp folder replaced by a file for a while: no
// folder can be made in it.
class WindowsTempBlocked {
public:
    WindowsTempBlocked();
    WindowsTempBlocked(const WindowsTempBlocked &) = delete;
    WindowsTempBlocked &operator=(const WindowsTempBlocked &) = delete;
    ~WindowsTempBlocked();
    bool blocked() const { return moved_; }

private:
    bool moved_ = false;
};

} // namespace testing_support
