#include "packed_resource.h"
#include "lzma_reader.h"
#include "platform/resources.h"
#include "platform/setup_error.h"

namespace platform {

namespace {
// lc=3, lp=0, pb=2 and a 4 KiB dictionary, as cmake/pack_resource.cmake
// has xz make the streams: a larger one saves nothing on the texts and
// some ten bytes on the banner.
constexpr unsigned char kProperties[5] = {0x5d, 0x00, 0x10, 0x00, 0x00};
constexpr DWORD kPart = 4096;
} // namespace

Buffer<char> unpack_resource(HMODULE module, const wchar_t *type, const wchar_t *name) {
    const ResourceBytes stream = find_resource(module, type, name);
    LzmaReader reader(stream.data, stream.size, kProperties, false);
    Buffer<char> bytes;
    for (;;) {
        const std::size_t before = bytes.size();
        bytes.resize(before + kPart);
        const DWORD read =
            reader.read(reinterpret_cast<unsigned char *>(bytes.data() + before), kPart);
        bytes.resize(before + read);
        if (!read) break;
    }
    if (!reader.complete()) raise_error(format_message(L"Resource %s not found", name));
    return bytes;
}

} // namespace platform
