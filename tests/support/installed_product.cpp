#include "installed_product.h"
#include <algorithm>
#include "product/manifest.h"
#include "environment.h"
#include "registry_state.h"
#include "shortcuts.h"
#include "text.h"
#include <gtest/gtest.h>
#include <shlobj.h>
#include <cstdio>

namespace testing_support {

namespace {
std::string special_folder(int csidl) {
    wchar_t path[MAX_PATH + 1] = {};
    ::SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE);
    return utf8(path);
}

// The local date a number of days ago, as YYYYMMDD.
std::string local_date(int days_ago) {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    FILETIME time;
    ::SystemTimeToFileTime(&now, &time);
    ULARGE_INTEGER ticks = {{time.dwLowDateTime, time.dwHighDateTime}};
    ticks.QuadPart -= static_cast<ULONGLONG>(days_ago) * 24 * 60 * 60 * 10000000;
    time = {ticks.LowPart, ticks.HighPart};
    SYSTEMTIME day;
    ::FileTimeToSystemTime(&time, &day);
    char text[16];
    std::snprintf(text, sizeof text, "%04u%02u%02u", day.wYear, day.wMonth, day.wDay);
    return text;
}
} // namespace

std::string read_string(HKEY root, const std::string &key, const std::string &name) {
    const RawValue value = read_raw(root, key, name);
    std::string text = value.bytes;
    if (const auto end = text.find('\0'); end != std::string::npos) text.resize(end);
    return text;
}

UserFolders user_folders() {
    return {special_folder(manifest::kDesktopFolder), special_folder(manifest::kStartMenuFolder),
            read_string(manifest::kUserRoot, utf8(manifest::kShellFoldersKey),
                        utf8(manifest::kProgramsValue))};
}

UserFolders all_users_folders() {
    return {special_folder(manifest::kAllUsersDesktopFolder),
            special_folder(manifest::kAllUsersStartMenuFolder),
            special_folder(manifest::kAllUsersProgramsFolder)};
}

std::vector<ExpectedShortcut> expected_shortcuts(const std::string &directory,
                                                 const UserFolders &folders) {
    const std::string application = directory + utf8(manifest::kApplicationFile);
    const std::string help = directory + utf8(manifest::kHelpFile);
    const std::string uninstaller = directory + utf8(manifest::kUninstallerFile);
    const std::string programs = folders.programs + "\\";
    return {
        {folders.desktop + utf8(manifest::kDesktopAppLink), application, false},
        {folders.desktop + utf8(manifest::kDesktopHelpLink), help, false},
        {folders.start_menu + utf8(manifest::kStartMenuAppLink), application, false},
        {programs + utf8(manifest::kProgramsAppLink), application, true},
        {programs + utf8(manifest::kProgramsHelpLink), help, true},
        {programs + utf8(manifest::kProgramsUninstallLink), uninstaller, true},
    };
}

std::vector<CarriedFile> carried_files() {
    std::vector<CarriedFile> files;
    for (std::size_t i = 0; i < std::size(manifest::kPayloads); ++i)
        files.push_back({utf8(manifest::kPayloads[i].file), windows_path(kCarriedFileSources[i])});
    return files;
}

void expect_complete_install(const std::string &directory, bool for_all_users) {
    for (const auto &file : carried_files()) {
        SCOPED_TRACE(file.name);
        const std::string installed = read_file(directory + file.name);
        EXPECT_FALSE(installed.empty());
        EXPECT_TRUE(installed == read_file(file.source)) << "differs from " << file.source;
    }
    EXPECT_TRUE(read_file(directory + utf8(manifest::kUninstallerFile)) ==
                read_file(path_from_environment("INSTAL_EXE")))
        << "install.exe is not a copy of the setup program";

    // REG_SZ with the terminating zero counted in the data size.
    const auto expect_text = [](const wchar_t *key, const char *name, const std::string &text) {
        const RawValue value = read_raw(manifest::kMachineRoot, utf8(key), name);
        EXPECT_TRUE(value.present) << utf8(key) << " " << name;
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), value.type) << name;
        EXPECT_EQ(text + '\0', value.bytes) << name;
    };
    expect_text(manifest::kInstalledLocationKey, "exepath", directory);
    expect_text(manifest::kUninstallKey, "DisplayName", "Corvanta");
    expect_text(manifest::kUninstallKey, "UninstallString", "\"" + directory + "install.exe\"");
    // The rest of the entry, as deployment tools and the list of programs read it.
    expect_text(manifest::kUninstallKey, "DisplayVersion", "1.21");
    expect_text(manifest::kUninstallKey, "Publisher", "Kestra Software");
    expect_text(manifest::kUninstallKey, "DisplayIcon", directory + "Tolmera.exe,0");
    expect_text(manifest::kUninstallKey, "InstallLocation", directory);
    expect_text(manifest::kUninstallKey, "QuietUninstallString",
                "\"" + directory + "install.exe\" /S /UNINSTALL");
    const std::string date =
        read_string(manifest::kMachineRoot, utf8(manifest::kUninstallKey), "InstallDate");
    EXPECT_TRUE(date == local_date(0) || date == local_date(1)) << "InstallDate " << date;
    const auto expect_number = [](const char *name, DWORD number) {
        const RawValue value =
            read_raw(manifest::kMachineRoot, utf8(manifest::kUninstallKey), name);
        EXPECT_EQ(static_cast<DWORD>(REG_DWORD), value.type) << name;
        EXPECT_EQ(std::string(reinterpret_cast<const char *>(&number), sizeof number), value.bytes)
            << name << " " << number;
    };
    std::size_t bytes = read_file(directory + utf8(manifest::kUninstallerFile)).size();
    for (const auto &file : carried_files())
        bytes += read_file(directory + file.name).size();
    expect_number("EstimatedSize", static_cast<DWORD>((bytes + 1023) / 1024));
    expect_number("NoModify", 1);
    expect_number("NoRepair", 1);

    const UserFolders mine = user_folders(), everybodys = all_users_folders();
    for (const auto &elsewhere : expected_shortcuts(directory, for_all_users ? mine : everybodys))
        EXPECT_FALSE(exists(elsewhere.path)) << elsewhere.path;
    for (const auto &expected : expected_shortcuts(directory, for_all_users ? everybodys : mine)) {
        SCOPED_TRACE(expected.path);
        const ShortcutInfo shortcut = read_shortcut(expected.path);
        ASSERT_TRUE(shortcut.loaded);
        EXPECT_EQ(expected.target, shortcut.target);
        EXPECT_EQ(directory, shortcut.working_directory);
        EXPECT_EQ("", shortcut.arguments);
        if (expected.in_programs_sub_folder) {
            EXPECT_EQ(" ", shortcut.description);
            EXPECT_EQ(static_cast<DWORD>(SW_SHOWNORMAL), shortcut.show_command);
        } else {
            EXPECT_EQ("", shortcut.description);
        }
    }
}

void expect_removed(const std::string &directory) {
    for (const auto &file : carried_files())
        EXPECT_FALSE(exists(directory + file.name)) << file.name;
    EXPECT_FALSE(key_exists(manifest::kMachineRoot, utf8(manifest::kInstalledLocationKey)));
    EXPECT_FALSE(key_exists(manifest::kMachineRoot, utf8(manifest::kUninstallKey)));
    for (const UserFolders &folders : {user_folders(), all_users_folders()})
        for (const auto &shortcut : expected_shortcuts(directory, folders))
            EXPECT_FALSE(exists(shortcut.path)) << shortcut.path;
}

void remove_product(const std::string &directory) {
    delete_product_keys();
    for (const UserFolders &folders : {user_folders(), all_users_folders()})
        for (const auto &shortcut : expected_shortcuts(directory, folders))
            remove_tree(shortcut.path);
    remove_tree(programs_sub_folder());
    remove_tree(all_users_folders().programs + "\\" + utf8(manifest::kProgramsSubFolder));
    std::string tree = directory;
    if (!tree.empty() && tree.back() == '\\') tree.pop_back();
    remove_tree(tree);
}

std::string copy_program(const std::string &directory, const std::string &name) {
    const std::string copy = directory + "\\" + name;
    ::CopyFileW(wide(path_from_environment("INSTAL_EXE")).c_str(), wide(copy).c_str(), FALSE);
    return copy;
}

bool wait_until_gone(const std::string &path, unsigned timeout_ms) {
    const DWORD start = ::GetTickCount();
    while (exists(path)) {
        if (::GetTickCount() - start > timeout_ms) return false;
        ::Sleep(100);
    }
    return true;
}

std::string windows_temp() {
    wchar_t windows[MAX_PATH + 1] = {};
    ::GetWindowsDirectoryW(windows, MAX_PATH);
    return utf8(windows) + "\\Temp";
}

std::vector<std::string> windows_temp_entries() {
    std::vector<std::string> entries;
    WIN32_FIND_DATAW found;
    const HANDLE search = ::FindFirstFileW(wide(windows_temp() + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return entries;
    do {
        const std::string name = utf8(found.cFileName);
        if (name != "." && name != "..") entries.push_back(name);
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    std::sort(entries.begin(), entries.end());
    return entries;
}

bool wait_until_windows_temp_holds(const std::vector<std::string> &entries, unsigned timeout_ms) {
    const DWORD start = ::GetTickCount();
    while (windows_temp_entries() != entries) {
        if (::GetTickCount() - start > timeout_ms) return false;
        ::Sleep(100);
    }
    return true;
}

namespace {
std::string kept_windows_temp() {
    return windows_temp() + ".kept-by-test";
}
} // namespace

WindowsTempBlocked::WindowsTempBlocked() {
    moved_ = ::MoveFileW(wide(windows_temp()).c_str(), wide(kept_windows_temp()).c_str()) != FALSE;
    if (moved_) write_text_file(windows_temp(), "in the way\r\n");
}

WindowsTempBlocked::~WindowsTempBlocked() {
    if (!moved_) return;
    ::DeleteFileW(wide(windows_temp()).c_str());
    ::MoveFileW(wide(kept_windows_temp()).c_str(), wide(windows_temp()).c_str());
}

} // namespace testing_support
