#pragma once
// File and directory helpers that raise the program's own error texts.
#include <windows.h>
#include "text.h"

namespace platform {

bool directory_exists(const Text &path);
// True when a file, not a directory, of that name exists.
bool file_exists(const Text &path);

// Creates path and every missing parent. Returns false when a directory could
// not be made; an empty path is also a failure. Paths shorter than three
// characters, existing directories and paths equal to their own parent part
// count as made.
bool force_directories(Text path);

// Replaces path with exactly these bytes, written in one call:
// "Cannot create file %s" or "Stream write error".
void write_file(const Text &path, const void *bytes, DWORD size);

} // namespace platform
