#include "shortcuts.h"
#include "environment.h"
#include "platform/shell.h"
#include "text.h"
#include <cstring>

namespace testing_support {

ShortcutInfo read_shortcut(const std::string &path) {
    ShortcutInfo info;
    if (!exists(path)) return info;
    const auto shortcut = platform::create_shell_link();
    if (FAILED(shortcut.file->Load(wide(path).c_str(), STGM_READ))) return info;
    info.loaded = true;
    wchar_t text[1024];
    text[0] = '\0';
    shortcut.link->GetPath(text, 1024, nullptr, SLGP_RAWPATH);
    info.target = utf8(text);
    // The item list holds the target's names as they are; the path beside it
    // is kept in the ANSI code page by some systems (Wine among them).
    LPITEMIDLIST items = nullptr;
    if (SUCCEEDED(shortcut.link->GetIDList(&items)) && items) {
        wchar_t resolved[MAX_PATH + 1] = {};
        if (::SHGetPathFromIDListW(items, resolved)) info.target = utf8(resolved);
        ::CoTaskMemFree(items);
    }
    text[0] = '\0';
    shortcut.link->GetWorkingDirectory(text, 1024);
    info.working_directory = utf8(text);
    text[0] = '\0';
    shortcut.link->GetDescription(text, 1024);
    info.description = utf8(text);
    text[0] = '\0';
    shortcut.link->GetArguments(text, 1024);
    info.arguments = utf8(text);
    const std::string bytes = read_file(path);
    if (bytes.size() >= 0x40) std::memcpy(&info.show_command, bytes.data() + 0x3C, 4);
    return info;
}

} // namespace testing_support
