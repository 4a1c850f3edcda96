#pragma once
// Bytes carried as resources inside the program file, used where they lie.
#include <windows.h>
#include "text.h"

namespace platform {

struct ResourceBytes {
    const void *data = nullptr;
    DWORD size = 0;
};

// Looks the resource up by type and name text (the system ignores their
// letter case): "Resource %s not found" when it is not there.
ResourceBytes find_resource(HMODULE module, const char *type, const char *name);

} // namespace platform
