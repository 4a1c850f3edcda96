// An install followed by an uninstall from the installed uninstaller leaves
// the machine as it was: every file of drive C: and every key and value of
// HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER are compared before and after,
// and the one thing allowed to remain is the empty install directory.
#include "product/manifest.h"
#include "support/environment.h"
#include "support/text.h"
#include "support/installed_product.h"
#include "support/registry_state.h"
#include "support/setup_driver.h"
#include <gtest/gtest.h>
#include <map>
#include <vector>

using namespace testing_support;

namespace {

// Path (or key and value name) -> what is known about it.
using Snapshot = std::map<std::string, std::string>;

// What Wine itself changes while programs run, whoever they are: each entry
// is a prefix of the paths or keys it covers. Kept as short as possible.
const char *const kNoise[] = {
    // Wine's user32 keeps system parameters that a program changes for the
    // session only (here the mouse settings, touched when Wine's desktop
    // starts) in this volatile key.
    "HKCU\\Software\\Wine\\Temporary System Parameters",
};

bool is_noise(const std::string &name) {
    for (const char *prefix : kNoise) {
        const std::string p = prefix;
        if (name.size() >= p.size() && _strnicmp(name.c_str(), p.c_str(), p.size()) == 0)
            return true;
    }
    return false;
}

// --- Files -------------------------------------------------------------------

void walk(const std::string &directory, Snapshot &snapshot, int depth) {
    if (depth > 40) return; // a loop of links
    WIN32_FIND_DATAA found;
    const HANDLE search = ::FindFirstFileA((directory + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        const std::string path = directory + "\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            // A folder's own times change with what is put in and taken out
            // of it; what it holds is compared entry by entry.
            snapshot[path] = "folder";
            walk(path, snapshot, depth + 1);
        } else {
            const ULONGLONG size =
                (static_cast<ULONGLONG>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
            snapshot[path] = "file of " + std::to_string(size) + " bytes written at " +
                             std::to_string(found.ftLastWriteTime.dwHighDateTime) + ":" +
                             std::to_string(found.ftLastWriteTime.dwLowDateTime);
        }
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
}

Snapshot files_of_drive_c() {
    Snapshot snapshot;
    walk("C:", snapshot, 0);
    return snapshot;
}

// --- Registry ----------------------------------------------------------------

std::string hex(const std::vector<BYTE> &bytes, DWORD size) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (DWORD i = 0; i < size; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

void walk(HKEY key, const std::string &path, Snapshot &snapshot) {
    snapshot[path] = "key";
    DWORD subkeys = 0, longest_subkey = 0, values = 0, longest_name = 0, longest_data = 0;
    if (::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, &longest_subkey, nullptr,
                           &values, &longest_name, &longest_data, nullptr,
                           nullptr) != ERROR_SUCCESS)
        return;
    std::vector<char> name(longest_name + 2);
    std::vector<BYTE> data(longest_data + 2);
    for (DWORD i = 0; i < values; ++i) {
        DWORD name_size = static_cast<DWORD>(name.size()), type = 0,
              data_size = static_cast<DWORD>(data.size());
        if (::RegEnumValueA(key, i, name.data(), &name_size, nullptr, &type, data.data(),
                            &data_size) == ERROR_SUCCESS)
            snapshot[path + "\\:" + std::string(name.data(), name_size)] =
                std::to_string(type) + " " + hex(data, data_size);
    }
    std::vector<char> subkey(longest_subkey + 2);
    for (DWORD i = 0; i < subkeys; ++i) {
        DWORD size = static_cast<DWORD>(subkey.size());
        if (::RegEnumKeyExA(key, i, subkey.data(), &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            continue;
        const std::string child(subkey.data(), size);
        HKEY opened = nullptr;
        if (::RegOpenKeyExA(key, child.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) continue;
        walk(opened, path + "\\" + child, snapshot);
        ::RegCloseKey(opened);
    }
}

Snapshot registry() {
    Snapshot snapshot;
    walk(HKEY_LOCAL_MACHINE, "HKLM", snapshot);
    walk(HKEY_CURRENT_USER, "HKCU", snapshot);
    return snapshot;
}

// Every entry that was added, removed or changed, except the noise.
std::vector<std::string> differences(const Snapshot &before, const Snapshot &after) {
    std::vector<std::string> found;
    for (const auto &[name, state] : after) {
        if (is_noise(name)) continue;
        const auto old = before.find(name);
        if (old == before.end())
            found.push_back("added " + name + " (" + state + ")");
        else if (old->second != state)
            found.push_back("changed " + name + " (" + old->second + " -> " + state + ")");
    }
    for (const auto &[name, state] : before)
        if (!is_noise(name) && !after.count(name))
            found.push_back("removed " + name + " (" + state + ")");
    return found;
}

bool holds(const Snapshot &snapshot, const std::string &name) {
    for (const auto &entry : snapshot)
        if (_stricmp(entry.first.c_str(), name.c_str()) == 0) return true;
    return false;
}

class Leftovers : public ::testing::Test {
protected:
    void SetUp() override { remove_product(directory_); }
    void TearDown() override { remove_product(directory_); }

    const std::string directory_ = default_install_directory();
};

TEST_F(Leftovers, InstallThenUninstallLeavesNothing) {
    const Snapshot files_before = files_of_drive_c();
    const std::vector<std::string> temp_before = windows_temp_entries();
    const Snapshot registry_before = registry();
    // The walks see the places an install writes to.
    EXPECT_TRUE(holds(files_before, user_folders().desktop));
    EXPECT_TRUE(holds(files_before, user_folders().programs));
    EXPECT_TRUE(
        holds(registry_before, "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"));
    EXPECT_TRUE(holds(registry_before, std::string("HKCU\\") + utf8(manifest::kShellFoldersKey)));

    {
        SetupDriver setup(path_from_environment("INSTAL_EXE"));
        ASSERT_TRUE(setup.install_to(directory_));
        setup.next();
        ASSERT_TRUE(setup.process().wait_for_exit());
    }
    const std::string uninstaller = directory_ + utf8(manifest::kUninstallerFile);
    {
        SetupDriver remover(uninstaller);
        ASSERT_TRUE(remover.uninstall());
        remover.next();
        ASSERT_TRUE(remover.process().wait_for_exit());
    }
    ASSERT_TRUE(wait_until_gone(uninstaller, 90000)) << "install.exe did not remove itself";
    ASSERT_TRUE(wait_until_windows_temp_holds(temp_before, 15000)) << "the script's folder stayed";
    ASSERT_TRUE(wait_until_gone(directory_, 15000)) << "the empty install directory stayed";
    ::Sleep(1000); // the script's interpreter ending

    EXPECT_EQ(differences(files_before, files_of_drive_c()), std::vector<std::string>{});
    EXPECT_EQ(differences(registry_before, registry()), std::vector<std::string>{});
}

} // namespace
