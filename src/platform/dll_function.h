#pragma once
// A function of a system DLL looked up while the program runs, for those it
// may not import: newer than Windows XP, or passed on by a known DLL to one
// that is not. nullptr when the DLL lacks it.
#include <windows.h>

namespace platform {

template <typename Function> Function dll_function(HMODULE module, const char *name) {
    // Through void *: the system hands out every function as one type.
    return reinterpret_cast<Function>(reinterpret_cast<void *>(::GetProcAddress(module, name)));
}

} // namespace platform
