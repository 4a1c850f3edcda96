#pragma once
// The build records a SHA-256 digest of each carried file; a payload whose
// bytes no longer match is not written.
#include <windows.h>
#include "platform/digests/sha256.h"
#include "platform/owners.h"
#include "platform/resources.h"
#include "platform/text/text.h"
#include "product/manifest.h"
#include <iterator>

// "Resource %s is damaged" when the bytes do not match what the build recorded.
void verify_payload(const platform::Text &name, const void *bytes, DWORD size);

// The digests of every carried payload, taken on a second thread while this
// one writes the uninstaller copy, so that the two passes over a large
// payload overlap. The thread only reads the carried bytes and computes,
// with the processor's SHA instructions, which cannot fail; where they are
// missing, or no thread can be made, verify() takes the digests itself.
// Every comparison, and every error, stays on this thread.
class PayloadDigests {
public:
    using Carried = platform::ResourceBytes[std::size(manifest::kPayloads)];
    // carried[i]: the bytes of manifest::kPayloads[i], which must outlive the object.
    explicit PayloadDigests(const Carried &carried);
    ~PayloadDigests(); // waits for the thread
    PayloadDigests(const PayloadDigests &) = delete;
    PayloadDigests &operator=(const PayloadDigests &) = delete;

    // Waits for the digests: verify_payload's error for the first payload,
    // in the manifest's order, whose digest does not match.
    void verify();

private:
    static DWORD WINAPI take(void *self) noexcept;

    const Carried &carried_;
    Sha256 digests_[std::size(manifest::kPayloads)] = {};
    platform::UniqueHandle thread_;
};
