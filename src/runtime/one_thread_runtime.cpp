// The program runs all its own code, and so every exception it throws, on
// its one GUI thread. The C++ runtime is built for many threads: it keeps
// the exceptions being handled in thread-local storage (emulated, with a
// key per thread and destructors run as each thread ends), locks its
// emergency store of exceptions with a mutex, and brings with them the
// start-up code's list of thread-local destructors. These definitions take
// the place of the runtime's for the one thread, so that none of that is
// linked into the program. Only the program links this file: the tests
// keep the runtime's own.
#include <windows.h>

namespace {

// The runtime's per-thread record of exceptions: those caught and not yet
// finished with, and the count of those thrown and not yet caught.
struct ExceptionGlobals {
    void *caught_exceptions;
    unsigned int uncaught_exceptions;
};

ExceptionGlobals exception_globals;

} // namespace

extern "C" {

void *__cxa_get_globals() noexcept {
    return &exception_globals;
}

void *__cxa_get_globals_fast() noexcept {
    return &exception_globals;
}

// The emergency store's mutex: with one thread, taking it never waits.
void __gthr_win32_mutex_init_function(void *) {}

int __gthr_win32_mutex_lock(void *) {
    return 0;
}

int __gthr_win32_mutex_unlock(void *) {
    return 0;
}

void __gthr_win32_mutex_destroy(void *) {}

// The start-up code's thread-local storage support calls this as the
// process starts and ends and as a thread ends, to run the destructors
// registered for thread-local keys. With the definitions above, nothing
// registers any.
WINBOOL __mingw_TLScallback(HANDLE, DWORD, LPVOID) {
    return TRUE;
}
}
