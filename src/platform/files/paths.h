#pragma once
// Path texts as the program forms them: joined by concatenation, and made
// canonical only where canonical_directory is asked.
#include "platform/text/text.h"

namespace platform {

// Everything up to and including the last '\' or ':'; empty when neither occurs.
Text directory_part(const Text &path);
// Removes every leading and trailing character whose code is 32 or less.
Text trim(const Text &text);
// ASCII letters A-Z to lower case, every other character kept.
Text ascii_lower(const Text &text);
// A drive letter, ":" and "\\", or "\\\\server\\share\\": a path that means the
// same place whatever the current directory is. The device and object
// namespaces ("\\\\?\\", "\\\\.\\", "\\??\\") are none.
bool is_full_path(const Text &path);
// The folder path as the file system resolves it, ending in one '\\': '/'
// taken as '\\', "." and ".." resolved, repeated separators as one, and the
// trailing dots and blanks of every name dropped (the file system drops
// them). Empty text for a path that is not full (is_full_path), which would
// be resolved against whatever the current directory is.
Text canonical_directory(Text path);
// Whether the file system can take path as the name of a folder: no
// character it refuses (controls, < > " | ? *, a ':' anywhere but after a
// drive letter), no half of a surrogate pair without the other, and no name
// made only of dots but "." and "..", which the system would cut to another
// folder's name.
bool is_acceptable_path(const Text &path);
// path as a full path, from the current directory where it is relative.
Text full_path(const Text &path);
// path with each of the system's short names in it (such as PROGRA~1)
// expanded to the long name it stands for, every other name as it is
// written; path as it is where a short name names nothing.
Text long_path(const Text &path);
// The running program's full path, as the system reports it.
Text module_path();
// The system's own folders, as the system reports them (no trailing '\');
// the Windows folder shared by all users, also on a terminal server.
Text system_directory();
Text windows_directory();

} // namespace platform
