#include "shortcuts.h"
#include "environment.h"
#include "platform/shell.h"
#include <cstring>

namespace testing_support {

ShortcutInfo read_shortcut(const std::string &path) {
    ShortcutInfo info;
    if (!exists(path)) return info;
    const auto shortcut = platform::create_shell_link();
    if (FAILED(shortcut.file->Load(platform::ansi_to_wide(path).data(), STGM_READ))) return info;
    info.loaded = true;
    char text[1024];
    text[0] = '\0';
    shortcut.link->GetPath(text, sizeof text, nullptr, SLGP_RAWPATH);
    info.target = text;
    text[0] = '\0';
    shortcut.link->GetWorkingDirectory(text, sizeof text);
    info.working_directory = text;
    text[0] = '\0';
    shortcut.link->GetDescription(text, sizeof text);
    info.description = text;
    text[0] = '\0';
    shortcut.link->GetArguments(text, sizeof text);
    info.arguments = text;
    const std::string bytes = read_file(path);
    if (bytes.size() >= 0x40) std::memcpy(&info.show_command, bytes.data() + 0x3C, 4);
    return info;
}

} // namespace testing_support
