#include "resources.h"
#include "setup_error.h"
#ifdef INSTAL_COMPRESS_PAYLOAD
#include "unpacking/packed_icon.h"
#include "unpacking/packed_resource.h"
#endif

namespace platform {

ResourceBytes find_resource(HMODULE module, const wchar_t *type, const wchar_t *name) {
    // Resources live as long as the module: there is nothing to free.
    const HRSRC info = ::FindResourceW(module, name, type);
    const HGLOBAL loaded = info ? ::LoadResource(module, info) : nullptr;
    const void *data = loaded ? ::LockResource(loaded) : nullptr;
    if (!data) raise_error(format_message(L"Resource %s not found", name));
    return {data, ::SizeofResource(module, info)};
}

OwnResource find_own_resource(HMODULE module, const wchar_t *type, const wchar_t *name) {
    OwnResource resource;
#ifdef INSTAL_COMPRESS_PAYLOAD
    resource.unpacked = unpack_resource(module, type, name);
    resource.bytes = {resource.unpacked.data(), static_cast<DWORD>(resource.unpacked.size())};
#else
    resource.bytes = find_resource(module, type, name);
#endif
    return resource;
}

UniqueIcon load_own_icon(HMODULE module, const wchar_t *name, int size) {
#ifdef INSTAL_COMPRESS_PAYLOAD
    if (::FindResourceW(module, name, kPackedIconType)) return unpack_icon(module, name, size);
#endif
    // The system picks the image of the icon group closest to the size and
    // stretches it when none has that size exactly.
    return UniqueIcon(
        static_cast<HICON>(::LoadImageW(module, name, IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
}

Text find_text_resource(HMODULE module, const wchar_t *type, const wchar_t *name) {
    const OwnResource resource = find_own_resource(module, type, name);
    const auto *const ansi = static_cast<const char *>(resource.bytes.data);
    const int size = static_cast<int>(resource.bytes.size);
    Text text;
    text.resize(static_cast<std::size_t>(::MultiByteToWideChar(CP_ACP, 0, ansi, size, nullptr, 0)));
    ::MultiByteToWideChar(CP_ACP, 0, ansi, size, text.data(), static_cast<int>(text.size()));
    return text;
}

} // namespace platform
