#pragma once
// Path texts as the program forms them: plain ANSI strings, joined by
// concatenation, never normalised.
#include "text.h"

namespace platform {

// Everything up to and including the last '\' or ':'; empty when neither occurs.
Text directory_part(const Text &path);
// Removes every leading and trailing character whose code is 32 or less.
Text trim(const Text &text);
// ASCII letters A-Z to lower case, all other bytes kept.
Text ascii_lower(const Text &text);
// A drive letter, ":" and "\\", or "\\\\server\\share\\": a path that means the
// same place whatever the current directory is.
bool is_full_path(const Text &path);
// The running program's full path, as the system reports it.
Text module_path();
// The system's own folders, as the system reports them (no trailing '\').
Text system_directory();
Text windows_directory();

} // namespace platform
