#include "common_controls.h"
#include "platform/dll_function.h"
#include "platform/files/paths.h"
#include "platform/setup_error.h"
#include <commctrl.h>

namespace ui {

namespace {
bool loaded = false;
} // namespace

platform::LoadedModule load_common_controls(DWORD classes) {
    constexpr wchar_t kFailure[] = L"Cannot load comctl32.dll";
    platform::LoadedModule module(
        ::LoadLibraryW((platform::system_directory() + L"\\comctl32.dll").c_str()));
    if (!module) platform::raise_error(kFailure);
    using InitCommonControlsExFunction = BOOL(WINAPI *)(const INITCOMMONCONTROLSEX *);
    const auto initialize =
        platform::dll_function<InitCommonControlsExFunction>(module.get(), "InitCommonControlsEx");
    const INITCOMMONCONTROLSEX controls = {sizeof controls, classes};
    if (!initialize || !initialize(&controls)) platform::raise_error(kFailure);
    loaded = true;
    return module;
}

bool common_controls_loaded() {
    return loaded;
}

} // namespace ui
