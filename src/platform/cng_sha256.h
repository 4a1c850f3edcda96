#pragma once
// SHA-256 of a large file written in parts. Through the system's CNG
// provider (bcrypt.dll, from Windows Vista on), which Wine hashes with in
// some 60 % of the time its CryptoAPI provider takes; where the system has
// no CNG (Windows XP), through Sha256Hash.
#include <windows.h>
#include "sha256.h"

namespace platform {

class CngSha256 {
public:
    // "SHA-256 is not available" when neither provider has it.
    CngSha256();
    ~CngSha256();
    CngSha256(const CngSha256 &) = delete;
    CngSha256 &operator=(const CngSha256 &) = delete;

    void add(const void *bytes, DWORD size);
    Sha256 finish();

private:
    void *algorithm_ = nullptr; // BCRYPT_ALG_HANDLE, BCRYPT_HASH_HANDLE
    void *hash_ = nullptr;
    Sha256Hash fallback_;
};

} // namespace platform
