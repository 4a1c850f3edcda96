// The C runtime's start-up hands the C library a handler for errors of its
// math functions, whose one act is to print the error to the standard
// error stream; a GUI program has none, and this one calls no math function
// at all. These stand in for that handler and for handing it over, so that
// neither, nor the formatted printing and the error texts they bring, is
// linked: the C library then handles such an error by its own default, as
// it does with the runtime's handler after the printing. Only the program
// links this file.
#include <math.h>

extern "C" {

int _matherr(struct _exception *) {
    return 0;
}

void __mingw_setusermatherr(int (*)(struct _exception *)) {}
}
