#pragma once
// Folders protected the way Program Files is: what setup leaves there is
// later run or deleted with administrator rights, so no ordinary user may
// change it.
#include "owners.h"
#include "text.h"

namespace platform {

// A security descriptor whose access list is its own, not inherited from
// the parent: Administrators and SYSTEM have full control, Users may read
// and execute; files and folders made inside inherit the same list.
LocalMemory program_files_descriptor();

// Creates one directory (its parent must exist) with that descriptor. False
// when the directory could not be made, as with CreateDirectoryW; an
// existing directory is not touched.
bool create_protected_directory(const Text &path);

} // namespace platform
