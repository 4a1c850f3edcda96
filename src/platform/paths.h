#pragma once
// Path texts as the program forms them: plain ANSI strings, joined by
// concatenation, never normalised.
#include <string>

namespace platform {

// Everything up to and including the last '\' or ':'; empty when neither occurs.
std::string directory_part(const std::string &path);
// Removes every leading and trailing character whose code is 32 or less.
std::string trim(const std::string &text);
// ASCII letters A-Z to lower case, all other bytes kept.
std::string ascii_lower(const std::string &text);
// A drive letter, ":" and "\\", or "\\\\server\\share\\": a path that means the
// same place whatever the current directory is.
bool is_full_path(const std::string &path);
// The running program's full path, as the system reports it.
std::string module_path();
// The system's own folders, as the system reports them (no trailing '\').
std::string system_directory();
std::string windows_directory();

} // namespace platform
