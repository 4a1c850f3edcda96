#include "registry_state.h"
#include "product/manifest.h"
#include "platform/registry.h"
#include "text.h"
#include <utility>
#include <vector>

namespace testing_support {

void delete_product_keys() {
    platform::delete_key_tree(HKEY_LOCAL_MACHINE, manifest::kInstalledLocationKey);
    platform::delete_key_tree(HKEY_LOCAL_MACHINE, manifest::kUninstallKey);
}

namespace {
bool is_text(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}
} // namespace

// Text values are given and read back in UTF-8, each UTF-8 byte sequence
// standing for the UTF-16 the system stores: for ASCII the same bytes the
// ANSI functions would give.
static void set_raw(HKEY root, const std::string &key, const std::string &name, DWORD type,
                    const void *data, DWORD size) {
    HKEY handle = nullptr;
    ::RegCreateKeyExW(root, wide(key).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle,
                      nullptr);
    if (is_text(type)) {
        const std::wstring text = wide(std::string(static_cast<const char *>(data), size));
        ::RegSetValueExW(handle, wide(name).c_str(), 0, type,
                         reinterpret_cast<const BYTE *>(text.data()),
                         static_cast<DWORD>(text.size() * sizeof(wchar_t)));
    } else {
        ::RegSetValueExW(handle, wide(name).c_str(), 0, type, static_cast<const BYTE *>(data),
                         size);
    }
    ::RegCloseKey(handle);
}

void set_string(HKEY root, const std::string &key, const std::string &name,
                const std::string &value) {
    set_raw(root, key, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

void set_dword(HKEY root, const std::string &key, const std::string &name, DWORD value) {
    set_raw(root, key, name, REG_DWORD, &value, sizeof value);
}

void delete_value(HKEY root, const std::string &key, const std::string &name) {
    HKEY handle = nullptr;
    if (::RegOpenKeyExW(root, wide(key).c_str(), 0, KEY_ALL_ACCESS, &handle) == ERROR_SUCCESS) {
        ::RegDeleteValueW(handle, wide(name).c_str());
        ::RegCloseKey(handle);
    }
}

bool key_exists(HKEY root, const std::string &key) {
    HKEY handle = nullptr;
    if (::RegOpenKeyExW(root, wide(key).c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(handle);
    return true;
}

RawValue read_raw(HKEY root, const std::string &key, const std::string &name) {
    RawValue value;
    HKEY handle = nullptr;
    if (::RegOpenKeyExW(root, wide(key).c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return value;
    DWORD size = 0;
    const std::wstring wide_name = wide(name);
    if (::RegQueryValueExW(handle, wide_name.c_str(), nullptr, &value.type, nullptr, &size) ==
        ERROR_SUCCESS) {
        std::vector<char> data(size + 2);
        ::RegQueryValueExW(handle, wide_name.c_str(), nullptr, &value.type,
                           reinterpret_cast<BYTE *>(data.data()), &size);
        if (is_text(value.type))
            value.bytes = utf8(std::wstring(reinterpret_cast<const wchar_t *>(data.data()),
                                            size / sizeof(wchar_t)));
        else
            value.bytes.assign(data.data(), size);
        value.present = true;
    }
    ::RegCloseKey(handle);
    return value;
}

ValueGuard::ValueGuard(HKEY root, std::string key, std::string name)
    : root_(root), key_(std::move(key)), name_(std::move(name)),
      before_(read_raw(root_, key_, name_)) {}

ValueGuard::~ValueGuard() {
    if (before_.present)
        set_raw(root_, key_, name_, before_.type, before_.bytes.data(),
                static_cast<DWORD>(before_.bytes.size()));
    else
        delete_value(root_, key_, name_);
}

ShellFoldersGuard::ShellFoldersGuard()
    : desktop_(manifest::kUserRoot, utf8(manifest::kShellFoldersKey),
               utf8(manifest::kDesktopValue)),
      start_menu_(manifest::kUserRoot, utf8(manifest::kShellFoldersKey),
                  utf8(manifest::kStartMenuValue)),
      programs_(manifest::kUserRoot, utf8(manifest::kShellFoldersKey),
                utf8(manifest::kProgramsValue)),
      user_desktop_(manifest::kUserRoot, kUserShellFoldersKey, utf8(manifest::kDesktopValue)),
      user_start_menu_(manifest::kUserRoot, kUserShellFoldersKey, utf8(manifest::kStartMenuValue)),
      user_programs_(manifest::kUserRoot, kUserShellFoldersKey, utf8(manifest::kProgramsValue)) {}

void set_user_folder(const char *value_name, const std::string &path) {
    set_string(manifest::kUserRoot, utf8(manifest::kShellFoldersKey), value_name, path);
    set_string(manifest::kUserRoot, kUserShellFoldersKey, value_name, path);
}

} // namespace testing_support
