#pragma once
// Shortcut files read back through the shell's own ShellLink object.
#include <windows.h>
#include <string>

namespace testing_support {

struct ShortcutInfo {
    bool loaded = false;
    std::string target; // from the item list where there is one, else as stored
    std::string working_directory;
    std::string description;
    std::string arguments;
    // From the file itself (offset 0x3C): Wine's GetShowCmd after Load always answers 1.
    DWORD show_command = 0;
};

ShortcutInfo read_shortcut(const std::string &path);

} // namespace testing_support
