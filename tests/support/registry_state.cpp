#include "registry_state.h"
#include "app/manifest.h"
#include "platform/registry.h"
#include <vector>

namespace testing_support {

void delete_product_keys() {
    platform::delete_key_tree(HKEY_LOCAL_MACHINE, manifest::kInstalledLocationKey);
    platform::delete_key_tree(HKEY_LOCAL_MACHINE, manifest::kUninstallKey);
}

static void set_raw(HKEY root, const std::string &key, const std::string &name, DWORD type,
                    const void *data, DWORD size) {
    HKEY handle = nullptr;
    ::RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr);
    ::RegSetValueExA(handle, name.c_str(), 0, type, static_cast<const BYTE *>(data), size);
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
    if (::RegOpenKeyExA(root, key.c_str(), 0, KEY_ALL_ACCESS, &handle) == ERROR_SUCCESS) {
        ::RegDeleteValueA(handle, name.c_str());
        ::RegCloseKey(handle);
    }
}

bool key_exists(HKEY root, const std::string &key) {
    HKEY handle = nullptr;
    if (::RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
    ::RegCloseKey(handle);
    return true;
}

RawValue read_raw(HKEY root, const std::string &key, const std::string &name) {
    RawValue value;
    HKEY handle = nullptr;
    if (::RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return value;
    DWORD size = 0;
    if (::RegQueryValueExA(handle, name.c_str(), nullptr, &value.type, nullptr, &size) ==
        ERROR_SUCCESS) {
        std::vector<char> data(size + 1);
        ::RegQueryValueExA(handle, name.c_str(), nullptr, &value.type,
                           reinterpret_cast<BYTE *>(data.data()), &size);
        value.bytes.assign(data.data(), size);
        value.present = true;
    }
    ::RegCloseKey(handle);
    return value;
}

namespace {
void restore(const char *name, const RawValue &value) {
    if (value.present)
        set_raw(manifest::kUserRoot, manifest::kShellFoldersKey, name, value.type,
                value.bytes.data(), static_cast<DWORD>(value.bytes.size()));
    else
        delete_value(manifest::kUserRoot, manifest::kShellFoldersKey, name);
}
} // namespace

ShellFoldersGuard::ShellFoldersGuard()
    : desktop_(read_raw(manifest::kUserRoot, manifest::kShellFoldersKey, manifest::kDesktopValue)),
      start_menu_(
          read_raw(manifest::kUserRoot, manifest::kShellFoldersKey, manifest::kStartMenuValue)),
      programs_(
          read_raw(manifest::kUserRoot, manifest::kShellFoldersKey, manifest::kProgramsValue)) {}

ShellFoldersGuard::~ShellFoldersGuard() {
    restore(manifest::kDesktopValue, desktop_);
    restore(manifest::kStartMenuValue, start_menu_);
    restore(manifest::kProgramsValue, programs_);
}

} // namespace testing_support
