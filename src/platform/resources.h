#pragma once
// Bytes carried as resources inside the program file, used where they lie
// (or, in a compressed build, unpacked where the program reads them itself).
#include <windows.h>
#include "platform/buffer.h"
#include "platform/owners.h"
#include "platform/text/text.h"

namespace platform {

struct ResourceBytes {
    const void *data = nullptr;
    DWORD size = 0;
};

// Looks the resource up by type and name text (the system ignores their
// letter case): "Resource %s not found" when it is not there.
ResourceBytes find_resource(HMODULE module, const wchar_t *type, const wchar_t *name);
// What the program carries for its own use, where the system does not read
// it from the resources itself (the banner, the texts it shows): a
// compressed build carries it compressed too, and unpacks it here
// (unpacking/packed_resource.h); otherwise it is used where it lies. The
// bytes stay as long as the OwnResource, which is moved but not copied (a
// copy's bytes would be the first one's): "Resource %s not found" when the
// resource is not there or does not unpack whole.
struct OwnResource {
    OwnResource() = default;
    OwnResource(OwnResource &&) = default;
    OwnResource(const OwnResource &) = delete;
    OwnResource &operator=(const OwnResource &) = delete;

    Buffer<char> unpacked;
    ResourceBytes bytes;
};
OwnResource find_own_resource(HMODULE module, const wchar_t *type, const wchar_t *name);

// The icon at size x size pixels, made from its image that fits that size
// best, with the most colours. The one that only the window draws (the path
// page's folder) a compressed build carries as a packed icon file
// (unpacking/packed_icon.h); the others are icon resources in any build.
UniqueIcon load_own_icon(HMODULE module, const wchar_t *name, int size);

// A text resource of the program's own, stored in the system's ANSI code
// page, as the window showed it when it took such text directly.
Text find_text_resource(HMODULE module, const wchar_t *type, const wchar_t *name);

} // namespace platform
