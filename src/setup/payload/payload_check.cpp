#include "payload_check.h"
#include "platform/digests/large_sha256.h"
#include "platform/setup_error.h"
#include "product/manifest.h"
#include <cstring>

void verify_payload(const platform::Text &name, const void *bytes, DWORD size) {
    for (const auto &recorded : manifest::kPayloads)
        if (name == recorded.name) {
            platform::LargeSha256 hash;
            hash.add(bytes, size);
            if (std::memcmp(hash.finish().bytes, recorded.sha256, sizeof recorded.sha256))
                platform::raise_error(platform::format_message(L"Resource %s is damaged", name));
            return;
        }
    platform::raise_error(platform::format_message(L"Resource %s is damaged", name));
}
