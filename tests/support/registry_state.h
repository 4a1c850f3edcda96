#pragma once
// Puts the registry records the program reads and writes into a known
// state before a test, and back afterwards.
#include <windows.h>
#include <string>

namespace testing_support {

void delete_product_keys();
void set_string(HKEY root, const std::string &key, const std::string &name,
                const std::string &value);
void set_dword(HKEY root, const std::string &key, const std::string &name, DWORD value);
void delete_value(HKEY root, const std::string &key, const std::string &name);
bool key_exists(HKEY root, const std::string &key);
// Type and raw bytes of a value; type REG_NONE and no bytes when missing.
struct RawValue {
    DWORD type = REG_NONE;
    std::string bytes;
    bool present = false;
};
RawValue read_raw(HKEY root, const std::string &key, const std::string &name);

// Saves the user's shell-folder values and puts them back when it goes.
class ShellFoldersGuard {
public:
    ShellFoldersGuard();
    ShellFoldersGuard(const ShellFoldersGuard &) = delete;
    ShellFoldersGuard &operator=(const ShellFoldersGuard &) = delete;
    ~ShellFoldersGuard();

private:
    RawValue desktop_, start_menu_, programs_;
};

} // namespace testing_support
