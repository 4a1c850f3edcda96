#pragma once
// SHA-256 of a large file written in parts, by the fastest means at hand:
// the processor's SHA instructions, else the system's CNG provider
// (bcrypt.dll, from Windows Vista on), else CryptoAPI (Sha256Hash). Under
// Wine, 64 MiB take some 40 ms, 183 ms and 300 ms.
#include <windows.h>
#include "sha256.h"
#include <memory>

namespace platform {

class LargeSha256 {
public:
    // system: the system's providers only, as on a processor without SHA
    // instructions (for the tests).
    enum class Means { fastest, system };
    // "SHA-256 is not available" when none of them has it.
    explicit LargeSha256(Means means = Means::fastest);
    // Whether the fastest means is the processor's: then nothing here can
    // fail, and a second thread may take a digest.
    static bool has_instructions();
    ~LargeSha256();
    LargeSha256(const LargeSha256 &) = delete;
    LargeSha256 &operator=(const LargeSha256 &) = delete;

    void add(const void *bytes, DWORD size);
    Sha256 finish();

private:
    // The processor's: the state, the bytes of a block not yet complete,
    // and the count of all bytes.
    bool instructions_;
    UINT32 state_[8];
    unsigned char block_[64];
    DWORD block_size_ = 0;
    ULONGLONG length_ = 0;
    // The system's: CNG (BCRYPT_ALG_HANDLE, BCRYPT_HASH_HANDLE), or else
    // CryptoAPI, which is made only when it is needed.
    void *algorithm_ = nullptr;
    void *hash_ = nullptr;
    std::unique_ptr<Sha256Hash> fallback_;
};

} // namespace platform
