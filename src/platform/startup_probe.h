#pragma once
// Marks a step of the start-up (for bench/startup_steps.sh) or of the
// install: in a build made with INSTAL_STARTUP_PROBES, the step's name goes
// to the debugger's output, which Wine prints with its timestamp
// (WINEDEBUG=warn+debugstr,+timestamp).
// In every other build it is nothing at all.
#ifdef INSTAL_STARTUP_PROBES
#include <windows.h>
#define STARTUP_PROBE(step) ::OutputDebugStringA("instal-probe: " step)
#else
#define STARTUP_PROBE(step) static_cast<void>(0)
#endif
