#include "payload_check.h"
#include "../platform/dll_function.h"
#include "../platform/owners.h"
#include "../platform/setup_error.h"
#include "manifest.h"
#include <wincrypt.h>
#include <cstring>

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
            platform::dll_function<decltype(&::CryptAcquireContextW)>(advapi,
                                                                      "CryptAcquireContextW"),
            platform::dll_function<decltype(&::CryptReleaseContext)>(advapi, "CryptReleaseContext"),
            platform::dll_function<decltype(&::CryptCreateHash)>(advapi, "CryptCreateHash"),
            platform::dll_function<decltype(&::CryptDestroyHash)>(advapi, "CryptDestroyHash"),
            platform::dll_function<decltype(&::CryptHashData)>(advapi, "CryptHashData"),
            platform::dll_function<decltype(&::CryptGetHashParam)>(advapi, "CryptGetHashParam")};
    }();
    return functions;
}

struct ProviderTraits {
    using Handle = HCRYPTPROV;
    static Handle empty() { return 0; }
    static bool valid(Handle h) { return h != 0; }
    static void close(Handle h) { crypto().release_context(h, 0); }
};
struct HashTraits {
    using Handle = HCRYPTHASH;
    static Handle empty() { return 0; }
    static bool valid(Handle h) { return h != 0; }
    static void close(Handle h) { crypto().destroy_hash(h); }
};
} // namespace

Sha256 sha256(const void *bytes, DWORD size) {
    const CryptoFunctions &api = crypto();
    HCRYPTPROV provider_handle = 0;
    if (!api.acquire_context || !api.release_context || !api.create_hash || !api.destroy_hash ||
        !api.hash_data || !api.get_hash_param ||
        !api.acquire_context(&provider_handle, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT))
        platform::raise_error(L"SHA-256 is not available");
    const platform::Owner<ProviderTraits> provider(provider_handle);
    HCRYPTHASH hash_handle = 0;
    if (!api.create_hash(provider.get(), CALG_SHA_256, 0, 0, &hash_handle))
        platform::raise_error(L"SHA-256 is not available");
    const platform::Owner<HashTraits> hash(hash_handle);
    Sha256 digest = {};
    DWORD length = sizeof digest.bytes;
    if (!api.hash_data(hash.get(), static_cast<const BYTE *>(bytes), size, 0) ||
        !api.get_hash_param(hash.get(), HP_HASHVAL, digest.bytes, &length, 0))
        platform::raise_error(L"SHA-256 is not available");
    return digest;
}

Sha256Hash::Sha256Hash() {
    const CryptoFunctions &api = crypto();
    if (!api.acquire_context || !api.release_context || !api.create_hash || !api.destroy_hash ||
        !api.hash_data || !api.get_hash_param ||
        !api.acquire_context(&provider_, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT) ||
        !api.create_hash(provider_, CALG_SHA_256, 0, 0, &hash_)) {
        if (provider_) api.release_context(provider_, 0);
        platform::raise_error(L"SHA-256 is not available");
    }
}

Sha256Hash::~Sha256Hash() {
    crypto().destroy_hash(hash_);
    crypto().release_context(provider_, 0);
}

void Sha256Hash::add(const void *bytes, DWORD size) {
    if (!crypto().hash_data(hash_, static_cast<const BYTE *>(bytes), size, 0))
        platform::raise_error(L"SHA-256 is not available");
}

Sha256 Sha256Hash::digest() const {
    Sha256 digest = {};
    DWORD length = sizeof digest.bytes;
    if (!crypto().get_hash_param(hash_, HP_HASHVAL, digest.bytes, &length, 0))
        platform::raise_error(L"SHA-256 is not available");
    return digest;
}

void verify_payload(const platform::Text &name, const void *bytes, DWORD size) {
    for (const auto &recorded : manifest::kPayloads)
        if (name == recorded.name) {
            if (std::memcmp(sha256(bytes, size).bytes, recorded.sha256, sizeof recorded.sha256))
                platform::raise_error(platform::format_message(L"Resource %s is damaged", name));
            return;
        }
    platform::raise_error(platform::format_message(L"Resource %s is damaged", name));
}
