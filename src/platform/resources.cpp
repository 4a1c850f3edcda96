#include "resources.h"
#include "setup_error.h"

namespace platform {

ResourceBytes find_resource(HMODULE module, const wchar_t *type, const wchar_t *name) {
    // Resources live as long as the module: there is nothing to free.
    const HRSRC info = ::FindResourceW(module, name, type);
    const HGLOBAL loaded = info ? ::LoadResource(module, info) : nullptr;
    const void *data = loaded ? ::LockResource(loaded) : nullptr;
    if (!data) raise_error(format_message(L"Resource %s not found", name));
    return {data, ::SizeofResource(module, info)};
}

Text find_text_resource(HMODULE module, const wchar_t *type, const wchar_t *name) {
    const ResourceBytes bytes = find_resource(module, type, name);
    const auto *const ansi = static_cast<const char *>(bytes.data);
    const int size = static_cast<int>(bytes.size);
    Text text;
    text.resize(static_cast<std::size_t>(::MultiByteToWideChar(CP_ACP, 0, ansi, size, nullptr, 0)));
    ::MultiByteToWideChar(CP_ACP, 0, ansi, size, text.data(), static_cast<int>(text.size()));
    return text;
}

} // namespace platform
