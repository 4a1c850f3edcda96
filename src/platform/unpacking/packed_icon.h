#pragma once
// An icon that only the program draws, where a compressed build carries it:
// its icon file as a packed resource of its own type (see
// packed_resource.h), from which the program makes the icon the system
// would have made of an icon resource.
#include <windows.h>
#include "platform/owners.h"

namespace platform {

// The type of the resources that hold a packed icon file.
inline constexpr wchar_t kPackedIconType[] = L"ICONFILE";

// The icon at size x size pixels, made from the image the system chooses
// for that size and the screen's colours, as LoadImageW chooses from an
// icon resource: "Resource %s not found" when the packed file is not there,
// does not unpack whole or holds no image to choose.
UniqueIcon unpack_icon(HMODULE module, const wchar_t *name, int size);

} // namespace platform
