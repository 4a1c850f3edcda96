// Self-removal: the script that deletes the running program once it has
// ended, and where it is written, against Wine's real files.
#include "platform/files/files.h"
#include "platform/files/image_file.h"
#include "setup/self_removal.h"
#include "support/environment.h"
#include "support/errors.h"
#include "support/program.h"
#include "support/recorder.h"
#include "support/registry_state.h"
#include "support/text.h"
#include <gtest/gtest.h>
#include <cstdlib>

using namespace testing_support;

namespace {

TEST(SelfRemoval, ScriptDeletesTheProgramThenItselfAndItsFolder) {
    // A short name may hold "%", which the interpreter would expand.
    EXPECT_EQ(self_removal_script({L"C:\\50%_~NIM\\a%0&x&\\install.exe",
                                   L"C:\\windows\\Temp\\0123456789abcdef\\$$a$$.bat",
                                   L"C:\\windows\\Temp\\0123456789abcdef", L"C:\\windows\\system32",
                                   L"C:\\50%_~NIM\\a%0&x&"}),
              "set tries=0\r\n"
              ":try\r\n"
              "del \"C:\\50%%_~NIM\\a%%0&x&\\install.exe\"\r\n"
              "if not exist \"C:\\50%%_~NIM\\a%%0&x&\\install.exe\" goto done\r\n"
              "set /a tries+=1\r\n"
              "if %tries% geq 60 goto done\r\n"
              "\"C:\\windows\\system32\\ping.exe\" -n 2 127.0.0.1 >nul\r\n"
              "goto try\r\n"
              ":done\r\n"
              "rd \"C:\\50%%_~NIM\\a%%0&x&\"\r\n"
              "del \"C:\\windows\\Temp\\0123456789abcdef\\$$a$$.bat\" & start \"\" /b "
              "\"C:\\windows\\system32\\cmd.exe\" /D /E:ON /V:OFF /C \"C:\\windows\\system32\\"
              "ping.exe -n 3 127.0.0.1 >nul & rmdir \"C:\\windows\\Temp\\0123456789abcdef\"\" & "
              "exit\r\n");
    // A setup program that is no part of the installation leaves its folder.
    EXPECT_EQ(utf8(self_removal_script({L"C:\\Users\\x\\instal.exe", L"C:\\t\\$$a$$.bat", L"C:\\t",
                                        L"C:\\windows\\system32", L""})
                       .c_str())
                  .find("rd "),
              std::string::npos);
}

TEST(SelfRemoval, ScriptThatCannotBeWrittenLeavesNeitherScriptNorFolder) {
    testing_support::PacingRecorder quiet;
    const char *drive = std::getenv("INSTAL_SMALL_DRIVE");
    if (!drive || !*drive || !platform::directory_exists(wide(std::string(drive) + "\\")))
        FAIL() << "no small drive T: the test environment could not mount one (it needs root)";
    const std::string root = drive;
    // On the same drive: moved into the script's folder, and back again.
    const std::string program = root + "\\install.exe";
    write_text_file(program, "x");
    const platform::ImageFile file(wide(program));
    // The whole drive taken: the folder and an empty script can still be
    // made, but not one line written.
    const std::string filler = root + "\\filler";
    {
        platform::UniqueHandle file(::CreateFileA(filler.c_str(), GENERIC_WRITE, 0, nullptr,
                                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        const std::string block(4096, 'x');
        DWORD written = 0;
        while (::WriteFile(file.get(), block.data(), 4096, &written, nullptr) && written == 4096) {
        }
    }

    EXPECT_EQ(error_of([&] { remove_after_exit(file, wide(program), false, wide(root), quiet); }),
              "Disk full");
    std::vector<std::string> left;
    WIN32_FIND_DATAA found;
    platform::FindHandle search(::FindFirstFileA((root + "\\*").c_str(), &found));
    if (search) do
            left.push_back(found.cFileName);
        while (::FindNextFileA(search.get(), &found));
    ::DeleteFileA(filler.c_str());
    EXPECT_EQ(left, (std::vector<std::string>{"filler", "install.exe"}));
    EXPECT_TRUE(exists(program));
}

// A setup program on another drive than the scripts' folder (than Windows)
// is no part of the installation, and one held for reading only (from a CD)
// cannot be moved: both stay where they are, deleted neither by name nor by
// a script.
TEST(SelfRemoval, AProgramOnAnotherDriveOrHeldForReadingOnlyStays) {
    testing_support::PacingRecorder quiet;
    const char *drive = std::getenv("INSTAL_SMALL_DRIVE");
    if (!drive || !*drive || !platform::directory_exists(wide(std::string(drive) + "\\")))
        FAIL() << "no small drive T: the test environment could not mount one (it needs root)";
    const std::string scripts = scratch_directory("self-removal-scripts");
    const auto scripts_entries = [&] {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found;
        platform::FindHandle search(::FindFirstFileA((scripts + "\\*").c_str(), &found));
        if (search) do
                names.push_back(found.cFileName);
            while (::FindNextFileA(search.get(), &found));
        return names;
    };
    const std::vector<std::string> empty = {".", ".."};
    {
        SCOPED_TRACE("on another drive");
        const std::string program = std::string(drive) + "\\setup.exe";
        write_text_file(program, "x");
        {
            const platform::ImageFile file(wide(program));
            ASSERT_TRUE(file.movable());
            EXPECT_EQ(error_of([&] {
                          remove_after_exit(file, wide(program), false, wide(scripts), quiet);
                      }),
                      "(no error)");
        }
        EXPECT_TRUE(exists(program));
        EXPECT_EQ(scripts_entries(), empty) << "a script was left to delete it";
        ::DeleteFileA(program.c_str());
    }
    {
        SCOPED_TRACE("held for reading only");
        const std::string program = scratch_directory("self-removal-held") + "\\install.exe";
        write_text_file(program, "x");
        const HANDLE other = ::CreateFileA(program.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                           OPEN_EXISTING, 0, nullptr);
        {
            const platform::ImageFile file(wide(program));
            ASSERT_FALSE(file.movable());
            EXPECT_EQ(error_of([&] {
                          remove_after_exit(file, wide(program), false, wide(scripts), quiet);
                      }),
                      "(no error)");
        }
        ::CloseHandle(other);
        EXPECT_TRUE(exists(program));
        EXPECT_EQ(scripts_entries(), empty) << "a script was left to delete it";
    }
}

// The uninstaller on another drive than the scripts' folder is moved by its
// handle to a new name in its own folder, and the script deletes that name:
// never the installed one, which an install started meanwhile wrote again.
// Should the script not manage within its time, the system deletes that
// name at the next restart, and the folder after it.
TEST(SelfRemoval, AnUninstallerOnAnotherDriveIsDeletedUnderANewName) {
    testing_support::PacingRecorder quiet;
    const char *drive = std::getenv("INSTAL_SMALL_DRIVE");
    if (!drive || !*drive || !platform::directory_exists(wide(std::string(drive) + "\\")))
        FAIL() << "no small drive T: the test environment could not mount one (it needs root)";
    const std::string folder = std::string(drive) + "\\Tolmera", program = folder + "\\install.exe";
    const std::string scripts = scratch_directory("self-removal-other-drive");
    ::CreateDirectoryA(folder.c_str(), nullptr);
    write_text_file(program, "x");
    const RestartListGuard restart_list;
    {
        const platform::ImageFile file(wide(program));
        EXPECT_EQ(
            error_of([&] { remove_after_exit(file, wide(program), true, wide(scripts), quiet); }),
            "(no error)");
        EXPECT_FALSE(exists(program));
        write_text_file(program, "a new install's");
        WIN32_FIND_DATAA copy;
        platform::FindHandle search(::FindFirstFileA((folder + "\\*.tmp").c_str(), &copy));
        ASSERT_TRUE(search.valid()) << "no copy under a new name";
        const std::string pending =
            read_raw(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingRenamesValue).bytes;
        EXPECT_NE(pending.find("\\??\\" + folder + "\\" + copy.cFileName + '\0' + '\0' + "\\??\\" +
                               folder + '\0' + '\0'),
                  std::string::npos);
    }
    // The script's folder goes last.
    const auto script_done = [&] {
        WIN32_FIND_DATAA found;
        platform::FindHandle search(::FindFirstFileA((scripts + "\\*").c_str(), &found));
        int entries = 0;
        if (search) do
                ++entries;
            while (::FindNextFileA(search.get(), &found));
        return entries <= 2;
    };
    EXPECT_TRUE(testing_support::wait_until(script_done, 20000));
    EXPECT_EQ(read_file(program), "a new install's");
    EXPECT_FALSE(platform::file_exists(wide(folder + "\\*.tmp")));
    ::DeleteFileA(program.c_str());
    ::RemoveDirectoryA(folder.c_str());
}

TEST(SelfRemoval, PercentInTheScriptsFolderLeavesTheDeletionToTheNextStart) {
    testing_support::PacingRecorder quiet;
    const std::string dir = scratch_directory("self-removal");
    const std::string parent = dir + "\\50% off";
    ::CreateDirectoryA(parent.c_str(), nullptr);
    const std::string program = dir + "\\install.exe";
    write_text_file(program, "x");
    const platform::ImageFile file(wide(program));
    const RestartListGuard restart_list;

    EXPECT_EQ(error_of([&] { remove_after_exit(file, wide(program), true, wide(parent), quiet); }),
              "(no error)");
    const RawValue pending = read_raw(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingRenamesValue);
    // Pairs of names, each ended by a zero: the file, then an empty target;
    // its folder after it, which the system removes only when it is empty.
    const std::string entry = std::string("\\??\\") + program + '\0' + '\0';
    EXPECT_NE(pending.bytes.find(entry + "\\??\\" + dir + '\0' + '\0'), std::string::npos);
    EXPECT_TRUE(exists(program));
    WIN32_FIND_DATAA found;
    platform::FindHandle search(::FindFirstFileA((parent + "\\*").c_str(), &found));
    std::vector<std::string> in_parent;
    if (search) do
            in_parent.push_back(found.cFileName);
        while (::FindNextFileA(search.get(), &found));
    EXPECT_EQ(in_parent, (std::vector<std::string>{".", ".."})) << "a script was written";
}

TEST(SelfRemoval, ShortPathHasNoBlanksAndIsEmptyForMissingFiles) {
    const std::string dir = scratch_directory("short path") + "\\a long folder name";
    ::CreateDirectoryA(dir.c_str(), nullptr);
    write_text_file(dir + "\\install.exe", "x");
    const std::string short_path = utf8(GetShortPath(wide(dir + "\\install.exe")).c_str());
    EXPECT_FALSE(short_path.empty());
    EXPECT_EQ(short_path.find(' '), std::string::npos) << short_path;
    EXPECT_EQ(GetShortPath(wide(dir + "\\missing.exe")), L"");
}

} // namespace
