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
// The same list for one file, which passes nothing on.
LocalMemory protected_file_descriptor();

// Creates one directory (its parent must exist) with that descriptor. False
// when the directory could not be made, as with CreateDirectoryW; an
// existing directory is not touched.
bool create_protected_directory(const Text &path);

// Rights on a folder that let their holder swap what is in it: write into
// it, delete or rename it or its entries, change its rights or owner.
// Reading, listing and executing are not among them.
constexpr DWORD kChangeRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA |
                                FILE_DELETE_CHILD | FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC |
                                WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
// Rights on a folder further up that let their holder take away or rename
// the folders inside, or give himself that right. Adding entries beside
// them is not. Nor is DELETE on the folder itself, which Power Users hold
// on Windows XP's Program Files: a folder with something in it cannot be
// deleted, only renamed.
constexpr DWORD kMoveRights = FILE_DELETE_CHILD | WRITE_DAC | WRITE_OWNER | GENERIC_ALL;

// Whether only the trusted accounts may use any of rights on the object the
// descriptor belongs to: its owner is Administrators, SYSTEM,
// TrustedInstaller or user (the account running setup), and every allowing
// entry that applies to the object itself (not inherit-only) and grants
// one of rights names one of those, or CREATOR OWNER, CREATOR GROUP or
// OWNER RIGHTS, which grant nobody else anything on the object itself.
// Denying entries are passed over. Without an access list everybody may do
// everything. user may be null.
bool only_trusted_may(void *descriptor, void *user, DWORD rights);
// The same for the file or folder at path, as the system reports it, with
// the account this process runs as; false when it cannot be read.
bool only_trusted_may(const Text &path, DWORD rights);

} // namespace platform
