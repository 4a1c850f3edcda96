// Path texts as the program forms them.
#include "platform/files/paths.h"
#include "support/text.h"
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

TEST(Paths, DirectoryPartEndsAtTheLastBackslashOrColon) {
    EXPECT_EQ(platform::directory_part(L"C:\\Program Files\\Tolmera\\install.exe"),
              L"C:\\Program Files\\Tolmera\\");
    EXPECT_EQ(platform::directory_part(L"C:setup.exe"), L"C:");
    EXPECT_EQ(platform::directory_part(L"setup.exe"), L"");
    EXPECT_EQ(platform::directory_part(L"C:\\"), L"C:\\");
}

TEST(Paths, TrimRemovesBlanksAndControlCharactersOnly) {
    EXPECT_EQ(platform::trim(L" \t C:\\a b \r\n"), L"C:\\a b");
    EXPECT_EQ(platform::trim(L"   "), L"");
    EXPECT_EQ(platform::trim(L"\xA0x\xA0"), L"\xA0x\xA0"); // code 160 is not a blank here
}

TEST(Paths, AsciiLowerLeavesOtherBytesAlone) {
    EXPECT_EQ(platform::ascii_lower(L"C:\\PROGRAM Files\\\xC4"), L"c:\\program files\\\xC4");
}

TEST(Paths, FullPathsStartWithADriveOrAServerAndShare) {
    for (const wchar_t *full :
         {L"C:\\Tolmera\\", L"z:\\", L"\\\\server\\share\\Tolmera\\", L"\\\\server\\share\\"})
        EXPECT_TRUE(platform::is_full_path(full)) << utf8(full);
    for (const wchar_t *relative :
         {L"", L"Tolmera\\", L"C:Tolmera\\", L"..\\Tolmera\\", L".\\Tolmera\\", L"\\Tolmera\\",
          L"C:", L"1:\\Tolmera\\", L"\\\\server\\", L"\\\\server\\share", L"\\\\\\share\\",
          L"\\\\server\\\\", L"\\\\?\\C:\\mine\\", L"\\\\.\\C:\\mine\\", L"\\??\\C:\\mine\\",
          L"\\\\?\\GLOBALROOT\\Device\\HarddiskVolume1\\", L"\\\\?\\UNC\\server\\share\\"})
        EXPECT_FALSE(platform::is_full_path(relative)) << utf8(relative);
    // Made canonical only from a full path; a server's and a share's names
    // are kept as given (a drive's paths: the end-to-end install).
    EXPECT_EQ(platform::canonical_directory(L"//server/share. /a. /../b.. "),
              "\\\\server\\share. \\b\\");
    EXPECT_EQ(platform::canonical_directory(L"\\\\. .\\share\\x"), "\\\\. .\\share\\x\\");
    for (const wchar_t *relative : {L"Tolmera", L"C:Tolmera", L"\\", L"..\\x", L""})
        EXPECT_EQ(platform::canonical_directory(relative), "") << utf8(relative);
}

} // namespace
