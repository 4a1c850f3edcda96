#pragma once
// Folders protected the way Program Files is: what setup leaves there is
// later run or deleted with administrator rights, so no ordinary user may
// change it.
#include <string>

namespace platform {

// Creates one directory (its parent must exist) with an access list of its
// own, not inherited from the parent: Administrators and SYSTEM have full
// control, Users may read and execute. Files and folders made inside it
// inherit the same list. False when the directory could not be made, as
// with CreateDirectoryA; an existing directory is not touched.
bool create_protected_directory(const std::string &path);

} // namespace platform
