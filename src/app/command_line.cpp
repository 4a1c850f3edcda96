#include "command_line.h"
#include "../platform/paths.h"

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

} // namespace

CommandLine parse_command_line(const wchar_t *p) {
    CommandLine command;
    // The program's own name, quoted or not, as the system's runtime reads it.
    if (*p == L'"') {
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
            command.directory = rest;
            // What the install branch will make of it: the path trimmed,
            // ending in a backslash.
            command.understood &= platform::is_full_path(platform::trim(command.directory) + L"\\");
            break;
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
        if (const wchar_t *rest = after_name(argument.c_str(), L"/s"); rest && !*rest)
            command.unattended = true;
        else if ((rest = after_name(argument.c_str(), L"/log=")) && *rest)
            command.log = rest;
        else
            command.understood = false;
    }
    return command;
}
