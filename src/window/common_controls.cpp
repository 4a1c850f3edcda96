#include "common_controls.h"
#include "../platform/paths.h"
#include "../platform/setup_error.h"
#include <commctrl.h>

namespace ui {

platform::LoadedModule load_common_controls(DWORD classes) {
    constexpr char kFailure[] = "Cannot load comctl32.dll";
    platform::LoadedModule module(
        ::LoadLibraryA((platform::system_directory() + "\\comctl32.dll").c_str()));
    if (!module) platform::raise_error(kFailure);
    using InitCommonControlsExFunction = BOOL(WINAPI *)(const INITCOMMONCONTROLSEX *);
    const auto initialize = reinterpret_cast<InitCommonControlsExFunction>(
        reinterpret_cast<void *>(::GetProcAddress(module.get(), "InitCommonControlsEx")));
    const INITCOMMONCONTROLSEX controls = {sizeof controls, classes};
    if (!initialize || !initialize(&controls)) platform::raise_error(kFailure);
    return module;
}

} // namespace ui
