#pragma once
// Folders protected the way Program Files is: what setup leaves there is
// later run or deleted with administrator rights, so no ordinary user may
// change it.
#include "platform/owners.h"
#include "platform/text/text.h"

namespace platform {

// A security descriptor whose access list is its own, not inherited from
// the parent: Administrators and SYSTEM have full control, Users may read
// and execute; files and folders made inside inherit the same list. The
// owner is Administrators, whoever runs setup.
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
// the folders inside, rename the folder itself, or give himself that
// right. Adding entries beside them is not.
constexpr DWORD kMoveRights = FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_ALL;

// Whether only the trusted accounts may use any of rights on the object the
// descriptor belongs to: its owner is Administrators, SYSTEM,
// TrustedInstaller or user (the account running setup, where it is
// trusted), and every allowing entry of any kind (plain, compound, object,
// callback) that applies to the object itself (not inherit-only) and grants
// one of rights names only those, or CREATOR OWNER, CREATOR GROUP or OWNER
// RIGHTS, which grant nobody else anything on the object itself. Denying
// entries are passed over. Without an access list everybody may do
// everything. user is null where the account is not trusted.
bool only_trusted_may(void *descriptor, void *user, DWORD rights);
// The same for the file or folder open at object (with READ_CONTROL), as
// the system reports it through that handle; false when it cannot be read.
bool only_trusted_may_on(HANDLE object, void *user, DWORD rights);

// Whether the account running setup may be trusted with what administrators
// will run: not with a split token (TokenElevationTypeFull or Limited) while
// the system's policy has user account control on, as its programs without
// administrator rights then carry the same account and could act for it.
// SYSTEM is always trusted.
bool account_is_trusted(void *user, DWORD elevation_type, bool account_control_on);

// The account this process runs as, for only_trusted_may: its SID, or null
// where account_is_trusted says it is not to be trusted.
class RunningAccount {
public:
    RunningAccount();
    void *trusted_sid() { return trusted_ ? sid_ : nullptr; }

private:
    DWORD token_user_[32] = {}; // in DWORDs for the structure's alignment
    void *sid_ = nullptr;
    bool trusted_ = false;
};

} // namespace platform
