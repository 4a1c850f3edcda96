#include "packed_icon.h"
#include "packed_resource.h"
#include "platform/setup_error.h"

namespace platform {

namespace {
// An icon file is a header (reserved, type, image count; 6 bytes) and an
// entry for each image (16 bytes: width, height, colours, reserved, planes,
// bits per pixel, the image's size, and where it starts in the file). An
// icon resource's group has the same header, and entries of 14 bytes: the
// same first 12 (as the resource compiler copies them from the file), then
// the resource id of the image.
constexpr std::size_t kHeader = 6, kFileEntry = 16, kSharedPart = 12;
// The form of icon images since Windows 3.0, the one icon resources hold.
constexpr DWORD kIconFormat = 0x00030000;

DWORD little_endian(const unsigned char *bytes) {
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<DWORD>(bytes[3]) << 24;
}
} // namespace

UniqueIcon unpack_icon(HMODULE module, const wchar_t *name, int size) {
    Buffer<char> file = unpack_resource(module, kPackedIconType, name);
    auto *const bytes = reinterpret_cast<unsigned char *>(file.data());
    const std::size_t count = file.size() >= kHeader ? (bytes[4] | bytes[5] << 8) : 0;
    HICON icon = nullptr;
    if (count && kHeader + count * kFileEntry <= file.size()) {
        // The group as a resource holds it, image i as id i + 1, so that the
        // system chooses as it does for an icon resource.
        Buffer<unsigned char> group(bytes, kHeader);
        for (std::size_t i = 0; i < count; ++i) {
            group.append(bytes + kHeader + i * kFileEntry, kSharedPart);
            group.push_back(static_cast<unsigned char>(i + 1));
            group.push_back(static_cast<unsigned char>((i + 1) >> 8));
        }
        const int id =
            ::LookupIconIdFromDirectoryEx(group.data(), TRUE, size, size, LR_DEFAULTCOLOR);
        if (id > 0 && static_cast<std::size_t>(id) <= count) {
            const unsigned char *entry = bytes + kHeader + (id - 1) * kFileEntry;
            const DWORD length = little_endian(entry + 8), start = little_endian(entry + 12);
            if (start <= file.size() && length <= file.size() - start)
                icon = ::CreateIconFromResourceEx(bytes + start, length, TRUE, kIconFormat, size,
                                                  size, LR_DEFAULTCOLOR);
        }
    }
    if (!icon) raise_error(format_message(L"Resource %s not found", name));
    return UniqueIcon(icon);
}

} // namespace platform
