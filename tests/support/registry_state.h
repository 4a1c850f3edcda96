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

// Saves one value and puts it back when it goes: the same type and bytes,
// or no value where there was none.
class ValueGuard {
public:
    ValueGuard(HKEY root, std::string key, std::string name);
    ValueGuard(const ValueGuard &) = delete;
    ValueGuard &operator=(const ValueGuard &) = delete;
    ~ValueGuard();

private:
    HKEY root_;
    std::string key_, name_;
    RawValue before_;
};

// The deletions and renames the system carries out at the next restart.
inline constexpr char kSessionManagerKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
inline constexpr char kPendingRenamesValue[] = "PendingFileRenameOperations";
// Saves that list and puts it back when it goes.
struct RestartListGuard : ValueGuard {
    RestartListGuard() : ValueGuard(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingRenamesValue) {}
};

// The user's folders as the system keeps them for everybody to read ("Shell
// Folders") and as the shell itself looks them up ("User Shell Folders").
inline constexpr char kUserShellFoldersKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

// Saves the user's folder values of both keys and puts them back when it goes.
class ShellFoldersGuard {
public:
    ShellFoldersGuard();
    ShellFoldersGuard(const ShellFoldersGuard &) = delete;
    ShellFoldersGuard &operator=(const ShellFoldersGuard &) = delete;

private:
    ValueGuard desktop_, start_menu_, programs_;
    ValueGuard user_desktop_, user_start_menu_, user_programs_;
};

// Points the user's folder in both keys at path, for the shell and the
// setup program alike.
void set_user_folder(const char *value_name, const std::string &path);

} // namespace testing_support
