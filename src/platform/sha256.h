#pragma once
// SHA-256 from the system's crypto provider, over bytes given in one piece
// or in several.
#include <windows.h>
#include "owners.h"

struct Sha256 {
    BYTE bytes[32];
};

namespace platform {

// A digest being computed; "SHA-256 is not available" when the system
// offers none.
class Sha256Hash {
public:
    Sha256Hash();
    void add(const void *bytes, DWORD size);
    Sha256 finish();

private:
    struct ProviderTraits {
        using Handle = ULONG_PTR;
        static Handle empty() { return 0; }
        static bool valid(Handle h) { return h != 0; }
        static void close(Handle h);
    };
    struct HashTraits {
        using Handle = ULONG_PTR;
        static Handle empty() { return 0; }
        static bool valid(Handle h) { return h != 0; }
        static void close(Handle h);
    };
    Owner<ProviderTraits> provider_;
    Owner<HashTraits> hash_;
};

} // namespace platform

// The SHA-256 of the bytes.
Sha256 sha256(const void *bytes, DWORD size);
