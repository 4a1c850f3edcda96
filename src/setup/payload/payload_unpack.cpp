#include "payload_unpack.h"
#include "platform/buffer.h"
#include "platform/digests/large_sha256.h"
#include "platform/unpacking/lzma_reader.h"
#include "platform/setup_error.h"
#include "platform/files/files.h"
#include <cstring>

namespace {
// The part of the file in memory at a time, beside the decoder's dictionary.
constexpr DWORD kPartSize = 128 * 1024;
} // namespace

void unpack_payload(platform::StagedFile &staged, const void *stream, DWORD size,
                    const unsigned char (&properties)[5], bool x86,
                    const unsigned char (&file_sha256)[32]) {
    platform::LzmaReader reader(stream, size, properties, x86);
    platform::LargeSha256 hash;
    platform::Buffer<unsigned char> part;
    part.resize(kPartSize);
    while (const DWORD length = reader.read(part.data(), kPartSize)) {
        hash.add(part.data(), length);
        staged.write(part.data(), length);
    }
    const Sha256 digest = hash.finish();
    if (!reader.complete() || std::memcmp(digest.bytes, file_sha256, sizeof digest.bytes))
        platform::cannot_create_file(staged.target());
}
