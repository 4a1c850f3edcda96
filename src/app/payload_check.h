#pragma once
// The build records a SHA-256 digest of each carried file; a payload whose
// bytes no longer match is not written.
#include <windows.h>
#include "../platform/text.h"

// The SHA-256 of the bytes, from the system's crypto provider.
struct Sha256 {
    BYTE bytes[32];
};
Sha256 sha256(const void *bytes, DWORD size);
// The same, of bytes given in parts: "SHA-256 is not available".
class Sha256Hash {
public:
    Sha256Hash();
    ~Sha256Hash();
    Sha256Hash(const Sha256Hash &) = delete;
    Sha256Hash &operator=(const Sha256Hash &) = delete;
    void add(const void *bytes, DWORD size);
    Sha256 digest() const;

private:
    HCRYPTPROV provider_ = 0;
    HCRYPTHASH hash_ = 0;
};
// "Resource %s is damaged" when the bytes do not match what the build recorded.
void verify_payload(const platform::Text &name, const void *bytes, DWORD size);
