// The unwind tables of a function whose only part in an exception is to
// run destructors name a personality routine that reads the function's
// table of calls and landing pads. The link-time optimiser names the C
// runtime's routine for functions that gained such cleanups only as it
// joined functions together, and the C++ one for the rest; both read the
// same tables, and for cleanups they act alike. Sending the C name to the
// C++ routine, which the program carries anyway, leaves the C routine out
// of the program. Only the program links this file.
#include <unwind.h>

extern "C" {

_Unwind_Reason_Code __gxx_personality_v0(int version, _Unwind_Action actions,
                                         _Unwind_Exception_Class exception_class,
                                         _Unwind_Exception *exception, _Unwind_Context *context);

// Kept though nothing the optimiser sees calls it: the tables it writes
// name it only afterwards.
__attribute__((used)) _Unwind_Reason_Code
__gcc_personality_v0(int version, _Unwind_Action actions, _Unwind_Exception_Class exception_class,
                     _Unwind_Exception *exception, _Unwind_Context *context) {
    return __gxx_personality_v0(version, actions, exception_class, exception, context);
}
}
