#pragma once
// The system's common controls (the progress bar), loaded by the program
// itself. comctl32.dll is not one of the system's known DLLs: imported, the
// loader would take a copy planted beside the program before the program's
// first line. Loaded here by its full path in the system directory, after
// the program has restricted the DLL search, it can only be the system's.
#include "platform/owners.h"

namespace ui {

// Loads comctl32.dll and registers the given control classes; the module
// stays loaded for as long as the result lives. "Cannot load comctl32.dll"
// when either fails.
platform::LoadedModule load_common_controls(DWORD classes);
// Whether load_common_controls has succeeded: until then a form makes no
// window of these classes (see Form::create_waiting_windows).
bool common_controls_loaded();

} // namespace ui
