#include "payload_check.h"
#include "platform/digests/large_sha256.h"
#include "platform/setup_error.h"
#include <cstring>

namespace {
void verify_digest(const platform::Text &name, const Sha256 &digest) {
    for (const auto &recorded : manifest::kPayloads)
        if (name == recorded.name) {
            if (std::memcmp(digest.bytes, recorded.sha256, sizeof recorded.sha256))
                platform::raise_error(platform::format_message(L"Resource %s is damaged", name));
            return;
        }
    platform::raise_error(platform::format_message(L"Resource %s is damaged", name));
}
} // namespace

void verify_payload(const platform::Text &name, const void *bytes, DWORD size) {
    platform::LargeSha256 hash;
    hash.add(bytes, size);
    verify_digest(name, hash.finish());
}

PayloadDigests::PayloadDigests(const Carried &carried) : carried_(carried) {
    if (platform::LargeSha256::has_instructions())
        thread_.reset(::CreateThread(nullptr, 0, take, this, 0, nullptr));
}

PayloadDigests::~PayloadDigests() {
    if (thread_) ::WaitForSingleObject(thread_.get(), INFINITE);
}

// The system starts a thread with its stack aligned to 4 bytes only; code
// built to expect 16 (the tests') would fault on the SHA instructions' values.
__attribute__((force_align_arg_pointer)) DWORD WINAPI
PayloadDigests::take(void *self_pointer) noexcept {
    auto *self = static_cast<PayloadDigests *>(self_pointer);
    for (std::size_t i = 0; i < std::size(self->digests_); ++i) {
        platform::LargeSha256 hash;
        hash.add(self->carried_[i].data, self->carried_[i].size);
        self->digests_[i] = hash.finish();
    }
    return 0;
}

void PayloadDigests::verify() {
    if (!thread_) {
        for (std::size_t i = 0; i < std::size(carried_); ++i)
            verify_payload(manifest::kPayloads[i].name, carried_[i].data, carried_[i].size);
        return;
    }
    ::WaitForSingleObject(thread_.get(), INFINITE);
    for (std::size_t i = 0; i < std::size(digests_); ++i)
        verify_digest(manifest::kPayloads[i].name, digests_[i]);
}
