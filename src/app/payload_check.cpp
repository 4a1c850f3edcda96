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

platform::Text sha256_hex(const void *bytes, DWORD size) {
    HCRYPTPROV provider_handle = 0;
    if (!::CryptAcquireContextA(&provider_handle, nullptr, nullptr, PROV_RSA_AES,
                                CRYPT_VERIFYCONTEXT))
        platform::raise_error("SHA-256 is not available");
    const platform::Owner<ProviderTraits> provider(provider_handle);
    HCRYPTHASH hash_handle = 0;
    if (!::CryptCreateHash(provider.get(), CALG_SHA_256, 0, 0, &hash_handle))
        platform::raise_error("SHA-256 is not available");
    const platform::Owner<HashTraits> hash(hash_handle);
    ::CryptHashData(hash.get(), static_cast<const BYTE *>(bytes), size, 0);
    BYTE digest[32];
    DWORD length = sizeof digest;
    ::CryptGetHashParam(hash.get(), HP_HASHVAL, digest, &length, 0);
    static const char hex[] = "0123456789abcdef";
    platform::Text text;
    for (DWORD i = 0; i < length; ++i) {
        text += hex[digest[i] >> 4];
        text += hex[digest[i] & 15];
    }
    return text;
}

void verify_payload(const platform::Text &name, const void *bytes, DWORD size) {
    for (const auto &recorded : manifest::kPayloads)
        if (name == recorded.name) {
            if (sha256_hex(bytes, size) != recorded.sha256)
                platform::raise_error(platform::format_message("Resource %s is damaged", name));
            return;
        }
    platform::raise_error(platform::format_message("Resource %s is damaged", name));
}
