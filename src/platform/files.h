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
// count as made. Each directory made here gets the access list of Program
// Files; directories that existed keep their own.
bool force_directories(Text path);

// Replaces path with exactly these bytes, written in one call:
// "Cannot create file %s" or "Stream write error". A link or junction in
// the file's place, or a file with more than one name, is not written
// through: that too is "Cannot create file %s".
void write_file(const Text &path, const void *bytes, DWORD size);

// True when path itself is a reparse point (a symbolic link or junction).
bool is_reparse_point(const Text &path);
// True when path is a reparse point or a file that has other names (hard
// links): replacing its contents would change a file elsewhere.
bool leads_elsewhere(const Text &path);
// Whether both paths name one file, by volume and file index, whatever
// their spelling (letter case, short names, "." and ".."). A missing file
// is the same as nothing.
bool same_file(const Text &first, const Text &second);
// Clears the read-only attribute, which would stop a deletion or overwrite.
void clear_read_only(const Text &path);

} // namespace platform
