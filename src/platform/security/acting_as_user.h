#pragma once
// Work in the user's own folders (desktop, Start menu, Programs) is done
// with no more rights than the user has: anything the user put there, a
// link to a folder of the system among it, then reaches no further than the
// user could reach alone.
#include "platform/owners.h"

namespace platform {

// While it lives, the thread acts with a restricted copy of the process's
// token: every privilege but change notification removed, and the
// Administrators group only able to deny. Raises the system's text for a
// token that cannot be made or taken on. Made with acting false, it changes
// nothing: the thread goes on with its own rights.
class ActingAsUser {
public:
    explicit ActingAsUser(bool acting = true);
    ActingAsUser(const ActingAsUser &) = delete;
    ActingAsUser &operator=(const ActingAsUser &) = delete;
    ~ActingAsUser();
};

} // namespace platform
