#pragma once
// A folder that only this run of the program can have made: a random name
// nobody could guess beforehand, and the access list of Program Files, so
// that no ordinary user may change what is put in it.
#include "platform/text/text.h"

namespace platform {

// 64 bits from the system's cryptographic generator, as 16 hex digits.
// Raises with the runtime's text for the failure when there are none.
Text random_name();

// Makes a new folder with a random name inside parent and returns its path.
// Raises with the runtime's text for the failure when none can be made.
Text create_unique_protected_directory(const Text &parent);

} // namespace platform
