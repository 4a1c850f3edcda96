#pragma once
// The switches setup understands, read the way the common installer systems
// read theirs: "/S" runs without any window, "/LOG=file" writes a log of such
// a run (quotation marks around the path, or the whole switch, as the shell
// puts them), "/UNINSTALL" asks such a run for the removal only, "/?" shows
// what setup understands, and "/D=path", which must come last, takes the
// rest of the line as the install directory, blanks included, without
// quotation marks; only a "/LOG=" may follow it, after a blank, as winget
// writes the two. Letters in any case.
#include "platform/text/text.h"

struct CommandLine {
    bool unattended = false; // /S
    bool uninstall = false;  // /UNINSTALL
    bool help = false;       // /?
    // False for anything else in the line; with /S also for /?, for a /D=
    // that is not a full path from a drive or a share, and for /D= beside
    // /UNINSTALL: a run that can show nothing has one meaning or none.
    bool understood = true;
    platform::Text log;       // empty without /LOG=
    platform::Text directory; // empty without /D=
};

// The switches of line, the whole command line, the program's own name
// first: own_path (its full path, as the system gives it), quoted or not,
// or else the name as the runtime reads it.
CommandLine parse_command_line(const wchar_t *line, const platform::Text &own_path);
