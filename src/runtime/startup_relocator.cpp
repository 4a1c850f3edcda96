// The start-up code runs the runtime's relocator, which patches references
// to data that the linker could only import through a list of fix-ups made
// at run time. The program has no such references: the linker script
// fails the link if it ever gets one. With the list empty, the runtime's
// relocator does nothing, and this one stands in for it, so that neither it
// nor its reading of the section table is linked into the program. Only
// the program links this file.

extern "C" void _pei386_runtime_relocator() {}
