#pragma once
// SHA-256 from the system's crypto provider, over bytes given in one piece
// or in several.
#include <windows.h>

struct Sha256 {
    BYTE bytes[32];
};

namespace platform {

// A digest being computed; "SHA-256 is not available" when the system
// offers none.
class Sha256Hash {
public:
    Sha256Hash();
    Sha256Hash(const Sha256Hash &) = delete;
    Sha256Hash &operator=(const Sha256Hash &) = delete;
    ~Sha256Hash();
    void add(const void *bytes, DWORD size);
    Sha256 finish();

private:
    ULONG_PTR provider_ = 0; // HCRYPTPROV
    ULONG_PTR hash_ = 0;     // HCRYPTHASH
};

} // namespace platform

// The SHA-256 of the bytes.
Sha256 sha256(const void *bytes, DWORD size);
