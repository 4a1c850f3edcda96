#include "payload_check.h"
#include "../platform/owners.h"
#include "../platform/setup_error.h"
#include "manifest.h"
#include <wincrypt.h>
#include <cstring>

namespace {
struct ProviderTraits {
    using Handle = HCRYPTPROV;
    static Handle empty() { return 0; }
    static bool valid(Handle h) { return h != 0; }
    static void close(Handle h) { ::CryptReleaseContext(h, 0); }
};
struct HashTraits {
    using Handle = HCRYPTHASH;
    static Handle empty() { return 0; }
    static bool valid(Handle h) { return h != 0; }
    static void close(Handle h) { ::CryptDestroyHash(h); }
};
} // namespace

Sha256 sha256(const void *bytes, DWORD size) {
    HCRYPTPROV provider_handle = 0;
    if (!::CryptAcquireContextW(&provider_handle, nullptr, nullptr, PROV_RSA_AES,
                                CRYPT_VERIFYCONTEXT))
        platform::raise_error(L"SHA-256 is not available");
    const platform::Owner<ProviderTraits> provider(provider_handle);
    HCRYPTHASH hash_handle = 0;
    if (!::CryptCreateHash(provider.get(), CALG_SHA_256, 0, 0, &hash_handle))
        platform::raise_error(L"SHA-256 is not available");
    const platform::Owner<HashTraits> hash(hash_handle);
    Sha256 digest = {};
    DWORD length = sizeof digest.bytes;
    if (!::CryptHashData(hash.get(), static_cast<const BYTE *>(bytes), size, 0) ||
        !::CryptGetHashParam(hash.get(), HP_HASHVAL, digest.bytes, &length, 0))
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
