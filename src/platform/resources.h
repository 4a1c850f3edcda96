#pragma once
// Bytes carried as resources inside the program file, used where they lie.
#include <windows.h>
#include "platform/text/text.h"

namespace platform {

struct ResourceBytes {
    const void *data = nullptr;
    DWORD size = 0;
};

// Looks the resource up by type and name text (the system ignores their
// letter case): "Resource %s not found" when it is not there.
ResourceBytes find_resource(HMODULE module, const wchar_t *type, const wchar_t *name);
// A text resource stored in the system's ANSI code page, as the window
// showed it when it took such text directly.
Text find_text_resource(HMODULE module, const wchar_t *type, const wchar_t *name);

} // namespace platform
