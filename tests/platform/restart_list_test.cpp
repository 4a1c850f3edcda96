// The system's list of deletions at the next restart.
#include "platform/files/restart_list.h"
#include "platform/owners.h"
#include "support/registry_state.h"
#include "support/text.h"
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

// Deletions of the install's own names leave the restart list; every other
// entry (renames, other files) keeps its bytes and its order. (Wine ends
// the last name of a list it stores with its zero, so a list cut inside a
// name, which Windows keeps as written, is not seen here.)
TEST(RestartList, OnlyDeletionsOfTheGivenNamesAreTakenOut) {
    using namespace std::string_literals;
    const std::string programs = "C:\\Program Files";
    char short_programs[MAX_PATH] = {};
    ASSERT_NE(::GetShortPathNameA(programs.c_str(), short_programs, MAX_PATH), 0u);
    ASSERT_NE(std::string(short_programs), programs);
    const struct {
        std::string list, left; // "" left: the value is gone
    } cases[] = {
        {"\\??\\C:\\T\\Tolmera.exe\0\0\\??\\C:\\Other\0\0"s, "\\??\\C:\\Other\0\0"s},
        {"\\??\\c:\\t\\TOLMERA.EXE\0\0\\??\\C:\\T\0\0\0"s, ""},
        {"\\??\\C:\\T\\Tolmera.exe\0\\??\\C:\\New\0\\??\\C:\\T\0\0\0"s,
         "\\??\\C:\\T\\Tolmera.exe\0\\??\\C:\\New\0\0"s},
        {"\\??\\C:\\Other\0\0\\??\\C:\\T\\Tolmera.exe\0\0\0"s, "\\??\\C:\\Other\0\0\0"s},
        // A move onto one of them replaces it at the restart as a deletion would.
        {"\\??\\C:\\Other\0!\\??\\C:\\T\\Tolmera.exe\0\0"s, ""},
        // A name given in its short form is the same file.
        {"\\??\\"s + short_programs + "\\Tolmera\\Tolmera.exe\0\0\0"s, ""},
    };
    const RestartListGuard restart_list;
    HKEY opened = nullptr;
    ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_SET_VALUE, &opened);
    const platform::UniqueKey key(opened);
    const platform::Text names[] = {L"C:\\T\\Tolmera.exe", L"C:\\T",
                                    wide(programs + "\\Tolmera\\Tolmera.exe")};
    for (const auto &row : cases) {
        const std::wstring list = wide(row.list);
        ::RegSetValueExW(key.get(), L"PendingFileRenameOperations", 0, REG_MULTI_SZ,
                         reinterpret_cast<const BYTE *>(list.data()),
                         static_cast<DWORD>(list.size() * sizeof(wchar_t)));
        platform::cancel_deletions_at_restart(names, std::size(names));
        const RawValue after =
            read_raw(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingRenamesValue);
        EXPECT_EQ(after.present ? after.bytes : "", row.left) << row.list;
    }
}

} // namespace
