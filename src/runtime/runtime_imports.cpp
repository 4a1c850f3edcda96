// The C++ runtime's start-up code looks, by an ANSI name, for a shared copy
// of its unwinder already loaded into the process. The program takes every
// name of a file through the wide functions; these stand in for the two ANSI
// ones the runtime imports, so that no ANSI function naming a file is
// imported at all. The runtime's names are plain ASCII.
#include <windows.h>

namespace {

struct WideName {
    explicit WideName(LPCSTR name) {
        if (!name || !::MultiByteToWideChar(CP_ACP, 0, name, -1, text, static_cast<int>(MAX_PATH)))
            text[0] = L'\0';
    }
    wchar_t text[MAX_PATH];
};

HMODULE WINAPI module_handle(LPCSTR name) {
    return name ? ::GetModuleHandleW(WideName(name).text) : ::GetModuleHandleW(nullptr);
}

HMODULE WINAPI load_library(LPCSTR name) {
    return ::LoadLibraryW(WideName(name).text);
}

} // namespace

// The import table's slots as the runtime's object code names them: defined
// here, the system's import library does not supply them.
extern "C" {
HMODULE(WINAPI *runtime_get_module_handle)(LPCSTR) asm("__imp__GetModuleHandleA@4") = module_handle;
HMODULE(WINAPI *runtime_load_library)(LPCSTR) asm("__imp__LoadLibraryA@4") = load_library;
}
