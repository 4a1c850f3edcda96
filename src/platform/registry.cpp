#include "registry.h"
#include "setup_error.h"

namespace platform {

RegistryKey RegistryKey::create(HKEY root, const wchar_t *path) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (const LONG error = ::RegCreateKeyExW(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                             KEY_ALL_ACCESS, nullptr, &key, &disposition))
        raise_error(format_message(L"Failed to create key %s", path), static_cast<DWORD>(error));
    return RegistryKey(key);
}

RegistryKey RegistryKey::open(HKEY root, const wchar_t *path) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) key = nullptr;
    return RegistryKey(key);
}

Text RegistryKey::read_text(const wchar_t *name) const {
    if (!is_open()) return {};
    DWORD type = 0;
    DWORD size = 0;
    if (::RegQueryValueExW(get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return {};
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        raise_error(format_message(L"Invalid data type for '%s'", name));
    if (size == 0) return {};
    // Room for an odd byte count and a zero the value may lack.
    Text data;
    data.resize(size / sizeof(wchar_t) + 1);
    if (::RegQueryValueExW(get(), name, nullptr, &type, reinterpret_cast<BYTE *>(data.data()),
                           &size) != ERROR_SUCCESS)
        return {};
    return Text(data.c_str()); // up to the first NUL
}

void RegistryKey::write_text(const wchar_t *name, const Text &text) const {
    const auto size = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    set_value(name, REG_SZ, text.c_str(), size);
}

void RegistryKey::write_number(const wchar_t *name, DWORD number) const {
    set_value(name, REG_DWORD, &number, sizeof number);
}

void RegistryKey::set_value(const wchar_t *name, DWORD type, const void *data, DWORD size) const {
    if (const LONG error =
            ::RegSetValueExW(get(), name, 0, type, static_cast<const BYTE *>(data), size))
        raise_error(format_message(L"Failed to set data for '%s'", name),
                    static_cast<DWORD>(error));
}

void RegistryKey::delete_value(const wchar_t *name) const {
    if (is_open()) ::RegDeleteValueW(get(), name);
}

void delete_key_tree(HKEY root, const Text &path) {
    if (const auto key = RegistryKey::open(root, path.c_str()); key.is_open()) {
        DWORD count = 0;
        ::RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                           nullptr, nullptr, nullptr, nullptr);
        for (DWORD index = count; index-- > 0;) {
            wchar_t name[256];
            DWORD length = 256;
            if (::RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr,
                                nullptr) == ERROR_SUCCESS)
                delete_key_tree(root, joined({path.c_str(), L"\\", name}));
        }
    }
    ::RegDeleteKeyW(root, path.c_str());
}

} // namespace platform
