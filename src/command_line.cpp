#include "command_line.h"
#include "platform/files/paths.h"
#include <windows.h>

namespace {

bool is_blank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

const wchar_t *skip_blanks(const wchar_t *p) {
    while (is_blank(*p))
        ++p;
    return p;
}

// What follows the switch name (given in lower case) when p starts with it,
// in any case; nullptr when it does not.
const wchar_t *after_name(const wchar_t *p, const wchar_t *name) {
    for (; *name; ++p, ++name) {
        const wchar_t c = *p >= L'A' && *p <= L'Z' ? *p + (L'a' - L'A') : *p;
        if (c != *name) return nullptr;
    }
    return p;
}

// The rest of the line when it starts with the program's own full path,
// quoted or not, in any letter case, followed by a blank or nothing; else
// nullptr. A launcher may pass that path unquoted, blanks and all, as
// CreateProcess with the program's name allows.
const wchar_t *after_own_path(const wchar_t *p, const platform::Text &own_path) {
    const bool quoted = *p == L'"';
    p += quoted;
    const std::size_t length = own_path.size();
    if (!length || std::wcslen(p) < length ||
        ::lstrcmpiW(platform::Text(p, length).c_str(), own_path.c_str()) != 0)
        return nullptr;
    p += length;
    if (quoted && *p++ != L'"') return nullptr;
    return !*p || is_blank(*p) ? p : nullptr;
}

} // namespace

CommandLine parse_command_line(const wchar_t *p, const platform::Text &own_path) {
    CommandLine command;
    bool directory_usable = true;
    // Else the program's name as the system's runtime reads it.
    if (const wchar_t *rest = after_own_path(p, own_path)) {
        p = rest;
    } else if (*p == L'"') {
        do
            ++p;
        while (*p && *p != L'"');
        if (*p) ++p;
    } else {
        while (*p && !is_blank(*p))
            ++p;
    }
    for (p = skip_blanks(p); *p; p = skip_blanks(p)) {
        if (const wchar_t *rest = after_name(p, L"/d=")) {
            // winget puts its log switch after the directory. No folder name
            // holds a "/": a blank and "/LOG=" there start that switch.
            for (p = rest; *p && !(is_blank(*p) && after_name(skip_blanks(p), L"/log=")); ++p) {
            }
            command.directory = platform::Text(rest, static_cast<std::size_t>(p - rest));
            // What the install branch will make of it: the path trimmed,
            // and made canonical.
            directory_usable =
                !platform::canonical_directory(platform::trim(command.directory)).empty() &&
                !command.uninstall;
            continue;
        }
        // One argument: blanks within quotation marks belong to it, and the
        // marks themselves go, wherever in it they stand.
        platform::Text argument;
        for (bool quoted = false; *p && (quoted || !is_blank(*p)); ++p) {
            if (*p == L'"')
                quoted = !quoted;
            else
                argument += *p;
        }
        const auto is = [&argument](const wchar_t *name) {
            const wchar_t *const rest = after_name(argument.c_str(), name);
            return rest && !*rest;
        };
        if (is(L"/s"))
            command.unattended = true;
        else if (is(L"/uninstall"))
            command.uninstall = true;
        else if (is(L"/?"))
            command.help = true;
        else if (const wchar_t *rest = after_name(argument.c_str(), L"/log="); rest && *rest)
            command.log = rest;
        else
            command.understood = false;
    }
    if (command.unattended && (command.help || !directory_usable)) command.understood = false;
    return command;
}
