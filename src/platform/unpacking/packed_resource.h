#pragma once
// What a compressed build carries for the program's own use (the banner,
// the texts it shows), where the system does not read it from the resources itself: a
// raw LZMA stream with an end mark, made by cmake/pack_resource.cmake.
#include <windows.h>
#include "platform/buffer.h"

namespace platform {

// The bytes the resource's stream holds: "Resource %s not found" when it is
// not there or does not unpack whole.
Buffer<char> unpack_resource(HMODULE module, const wchar_t *type, const wchar_t *name);

} // namespace platform
