#include "sha256.h"
#include "platform/dll_function.h"
#include "platform/setup_error.h"
#include <wincrypt.h>

namespace platform {

namespace {

// advapi32 forwards these to cryptsp.dll, which is no known DLL: imported,
// the loader would look for it before the program could restrict where.
// Looked up once the search is restricted instead.
struct CryptoFunctions {
    decltype(&::CryptAcquireContextW) acquire_context;
    decltype(&::CryptReleaseContext) release_context;
    decltype(&::CryptCreateHash) create_hash;
    decltype(&::CryptDestroyHash) destroy_hash;
    decltype(&::CryptHashData) hash_data;
    decltype(&::CryptGetHashParam) get_hash_param;
};

const CryptoFunctions &crypto() {
    static const CryptoFunctions functions = [] {
        const HMODULE advapi = ::GetModuleHandleW(L"advapi32.dll");
        return CryptoFunctions{
            dll_function<decltype(&::CryptAcquireContextW)>(advapi, "CryptAcquireContextW"),
            dll_function<decltype(&::CryptReleaseContext)>(advapi, "CryptReleaseContext"),
            dll_function<decltype(&::CryptCreateHash)>(advapi, "CryptCreateHash"),
            dll_function<decltype(&::CryptDestroyHash)>(advapi, "CryptDestroyHash"),
            dll_function<decltype(&::CryptHashData)>(advapi, "CryptHashData"),
            dll_function<decltype(&::CryptGetHashParam)>(advapi, "CryptGetHashParam")};
    }();
    return functions;
}

[[noreturn]] void unavailable() {
    raise_error(L"SHA-256 is not available");
}

} // namespace

Sha256Hash::Sha256Hash() {
    const CryptoFunctions &api = crypto();
    if (!api.acquire_context || !api.release_context || !api.create_hash || !api.destroy_hash ||
        !api.hash_data || !api.get_hash_param ||
        !api.acquire_context(&provider_, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT) ||
        !api.create_hash(provider_, CALG_SHA_256, 0, 0, &hash_)) {
        // No destructor runs for an object not made.
        if (provider_) api.release_context(provider_, 0);
        unavailable();
    }
}

Sha256Hash::~Sha256Hash() {
    if (hash_) crypto().destroy_hash(hash_);
    if (provider_) crypto().release_context(provider_, 0);
}

void Sha256Hash::add(const void *bytes, DWORD size) {
    if (!crypto().hash_data(hash_, static_cast<const BYTE *>(bytes), size, 0)) unavailable();
}

Sha256 Sha256Hash::finish() {
    Sha256 digest = {};
    DWORD length = sizeof digest.bytes;
    if (!crypto().get_hash_param(hash_, HP_HASHVAL, digest.bytes, &length, 0)) unavailable();
    return digest;
}

} // namespace platform

Sha256 sha256(const void *bytes, DWORD size) {
    platform::Sha256Hash hash;
    hash.add(bytes, size);
    return hash.finish();
}
