// Files and folders, their access lists and links, against Wine's real
// file system.
#include "platform/files/files.h"
#include "platform/security/security.h"
#include "platform/text/text_file.h"
#include "support/environment.h"
#include "support/errors.h"
#include "support/program.h"
#include "support/text.h"
#include <gtest/gtest.h>
#include <sddl.h>
#include <cstring>

using namespace testing_support;

namespace {

class Files : public ::testing::Test {
protected:
    std::string dir = scratch_directory("files");
    std::wstring wdir = wide(dir);
};

// force_directories as setup calls it, with the account running the tests.
DWORD force_directories(const std::wstring &path) {
    platform::HeldFolders held;
    platform::RunningAccount account;
    return platform::force_directories(path, account.trusted_sid(), held);
}

TEST_F(Files, ForceDirectoriesMakesEveryMissingParentAndHoldsEachFolder) {
    EXPECT_EQ(force_directories(wdir + L"\\a\\b\\c\\"), 0u);
    EXPECT_TRUE(platform::directory_exists(wdir + L"\\a\\b\\c"));
    EXPECT_EQ(force_directories(wdir + L"\\a\\b\\c\\"), 0u); // existing is fine
    EXPECT_EQ(force_directories(L"C:\\"), 0u);
    EXPECT_EQ(force_directories(L"C:"), 0u);

    // Each folder on the way is held, from the root on, by the handle it
    // was judged through, until the install's last file is written. (That
    // nobody can then rename one of them only Windows shows: Wine lets a
    // folder held without delete sharing be renamed.)
    platform::HeldFolders held;
    platform::RunningAccount account;
    ASSERT_EQ(platform::force_directories(wdir + L"\\a\\b\\", account.trusted_sid(), held), 0u);
    std::vector<std::wstring> way = {L"C:\\"};
    for (std::size_t at = wdir.find(L'\\', 3); at != std::wstring::npos;
         at = wdir.find(L'\\', at + 1))
        way.push_back(wdir.substr(0, at));
    for (const std::wstring &folder : {wdir, wdir + L"\\a", wdir + L"\\a\\b"})
        way.push_back(folder);
    ASSERT_EQ(held.handles().size(), way.size());
    const auto identity = [](HANDLE file) {
        BY_HANDLE_FILE_INFORMATION info = {};
        ::GetFileInformationByHandle(file, &info);
        return std::make_pair(info.nFileIndexHigh, info.nFileIndexLow);
    };
    for (std::size_t i = 0; i < way.size(); ++i) {
        const platform::UniqueHandle folder(
            ::CreateFileW(way[i].c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                          nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        EXPECT_EQ(identity(held.handles()[i]), identity(folder.get())) << utf8(way[i]);
    }
}

TEST_F(Files, ForceDirectoriesFailsForBareNamesEmptyPathsAndMissingDrives) {
    ::SetCurrentDirectoryA(dir.c_str());
    EXPECT_NE(force_directories(L"Tolmera\\"), 0u);
    EXPECT_FALSE(platform::directory_exists(wdir + L"\\Tolmera"));
    EXPECT_NE(force_directories(L""), 0u);
    EXPECT_NE(force_directories(L"Q:\\Tolmera\\"), 0u);
}

TEST_F(Files, WriteFileReplacesTheWholeFile) {
    const std::string path = dir + "\\f.dat";
    platform::write_file(wide(path), "a much longer old content", 25);
    platform::write_file(wide(path), "new", 3);
    EXPECT_EQ(read_file(path), "new");
    platform::write_file(wide(path), "", 0);
    EXPECT_TRUE(exists(path));
    EXPECT_EQ(read_file(path), "");
}

TEST_F(Files, WriteFileNamesTheFileItCannotCreate) {
    ::CreateDirectoryA((dir + "\\Tolmera.exe").c_str(), nullptr);
    EXPECT_EQ(error_of([&] { platform::write_file(wdir + L"\\Tolmera.exe", "x", 1); }),
              "Cannot create file " + dir + "\\Tolmera.exe");
}

// Replacing the contents of a file that has a second name would change the
// file under that other name too, which whoever made it chose. (Links are
// refused as reparse points; Wine does not report a Unix link to a file as
// one, so only the second name can be shown here.)
TEST_F(Files, WriteFileDoesNotWriteThroughASecondName) {
    const std::string elsewhere = dir + "\\elsewhere.dll";
    write_text_file(elsewhere, "someone else's");
    const std::string second_name = dir + "\\misuc.dat";
    ASSERT_TRUE(::CreateHardLinkA(second_name.c_str(), elsewhere.c_str(), nullptr));
    EXPECT_EQ(error_of([&] { platform::write_file(wide(second_name), "x", 1); }),
              "Cannot create file " + second_name);
    EXPECT_EQ(read_file(elsewhere), "someone else's");
}

TEST_F(Files, FileExistsIsFalseForDirectories) {
    ::CreateDirectoryA((dir + "\\d").c_str(), nullptr);
    write_text_file(dir + "\\f", "x");
    EXPECT_FALSE(platform::file_exists(wdir + L"\\d"));
    EXPECT_TRUE(platform::file_exists(wdir + L"\\f"));
    EXPECT_FALSE(platform::file_exists(wdir + L"\\none"));
}

TEST_F(Files, TextFileLinesEndInCrLfAndReplaceTheOldFile) {
    const std::string path = dir + "\\t.bat";
    write_text_file(path, "old content that is longer than the new one\r\n");
    platform::TextFileWriter writer(wide(path));
    writer.write_line(L":try");
    writer.write_line(L"exit");
    writer.close();
    EXPECT_EQ(read_file(path), ":try\r\nexit\r\n");
}

// Known by its whole name within its volume as the system gives it through
// the file's and its folder's handles, not by the name's ending.
TEST_F(Files, AFileIsKnownByItsWholeNameThroughTheFoldersHandle) {
    const auto open = [](const std::string &path) {
        return platform::UniqueHandle(
            ::CreateFileW(wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                          nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    };
    for (const char *folder : {"\\logs", "\\other"})
        ::CreateDirectoryW(wide(dir + folder).c_str(), nullptr);
    platform::TextFileWriter(wide(dir + "\\logs\\t.log")).close();
    const platform::UniqueHandle file = open(dir + "\\logs\\t.log");
    EXPECT_TRUE(platform::opened_as(file.get(), open(dir + "\\logs").get(), L"T.LOG"));
    EXPECT_FALSE(platform::opened_as(file.get(), open(dir + "\\other").get(), L"t.log"));
    EXPECT_FALSE(platform::opened_as(file.get(), open(dir).get(), L"t.log"));
    // In a drive's root, whose own name already ends in the separator.
    const std::string in_root = "C:\\instal-files-test.log";
    EXPECT_EQ(error_of([&] { platform::TextFileWriter(wide(in_root)).close(); }), "(no error)");
    EXPECT_TRUE(
        platform::opened_as(open(in_root).get(), open("C:\\").get(), L"instal-files-test.log"));
    ::DeleteFileA(in_root.c_str());
}

TEST_F(Files, TextFileErrorsUseTheRuntimeTexts) {
    ::CreateDirectoryA((dir + "\\$$a$$.bat").c_str(), nullptr);
    EXPECT_EQ(error_of([&] { platform::TextFileWriter writer(wdir + L"\\$$a$$.bat"); }),
              "File access denied");
    EXPECT_EQ(platform::io_error_text(3), L"Invalid filename");
    EXPECT_EQ(platform::io_error_text(101), L"Disk full");
    EXPECT_EQ(platform::io_error_text(32), L"I/O error 32");
}

TEST_F(Files, ProtectedDirectoryHasTheProgramFilesAccessList) {
    const auto descriptor = platform::program_files_descriptor();
    ASSERT_TRUE(descriptor);
    EXPECT_EQ(access_list_text(descriptor.get()),
              "protected; S-1-5-32-544 1f01ff OICI; S-1-5-18 1f01ff OICI; "
              "S-1-5-32-545 1200a9 OICI");

    // What Wine shows of it: the folder grants nothing to everybody, where a
    // plain folder lets everybody read.
    const std::string path = dir + "\\protected";
    ASSERT_TRUE(platform::create_protected_directory(wide(path)));
    EXPECT_EQ(access_list_of(path).find("S-1-1-0 "), std::string::npos) << access_list_of(path);
    const std::string plain = dir + "\\plain";
    ::CreateDirectoryA(plain.c_str(), nullptr);
    EXPECT_NE(access_list_of(plain).find("S-1-1-0 "), std::string::npos);

    // An existing directory is not made again and keeps its list.
    const std::string before = access_list_of(plain);
    EXPECT_FALSE(platform::create_protected_directory(wide(plain)));
    EXPECT_EQ(access_list_of(plain), before);
    EXPECT_FALSE(platform::create_protected_directory(wdir + L"\\none\\deeper"));
}

// The file's own list, which passes nothing on, whether the file is new or
// replaces one that let everybody change it.
TEST_F(Files, WriteFileGivesNewAndReplacedFilesTheProtectedAccessList) {
    const auto descriptor = platform::protected_file_descriptor();
    ASSERT_TRUE(descriptor);
    EXPECT_EQ(access_list_text(descriptor.get()),
              "protected; S-1-5-32-544 1f01ff; S-1-5-18 1f01ff; S-1-5-32-545 1200a9");

    const std::string made = dir + "\\Tolmera.exe", replaced = dir + "\\install.exe";
    write_text_file(replaced, "an older uninstaller");
    ASSERT_TRUE(set_access_list(replaced, "D:P(A;;FA;;;WD)"));
    ASSERT_NE(access_list_of(replaced).find("S-1-1-0 1"), std::string::npos);
    platform::write_file(wide(made), "new", 3);
    platform::write_file(wide(replaced), "new", 3);
    EXPECT_EQ(read_file(replaced), "new");
    // As Wine shows a file made with that list: from its Unix mode.
    const std::string reference = dir + "\\reference";
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor.get(), FALSE};
    ::CloseHandle(::CreateFileW(wide(reference).c_str(), GENERIC_WRITE, 0, &attributes, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_EQ(access_list_of(reference).find("S-1-1-0 "), std::string::npos);
    EXPECT_EQ(access_list_of(made), access_list_of(reference));
    EXPECT_EQ(access_list_of(replaced), access_list_of(reference));
}

// The decision on folders as Windows describes them. S-1-5-21-7-7-7-1000
// runs setup; S-1-5-21-7-7-7-1001 is another user.
TEST_F(Files, OnlyTrustedAccountsMayChangeTheFolderOrMoveWhatIsInIt) {
    const std::string ti = "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
    const std::string me = "S-1-5-21-7-7-7-1000", other = "S-1-5-21-7-7-7-1001";
    struct Case {
        std::string what, descriptor;
        // Only trusted accounts may change it, as the install folder itself;
        // move what is in it, as a folder above that.
        bool change, move;
    } cases[] = {
        {"Program Files of Windows 7 and later",
         "O:" + ti + "D:PAI(A;;FA;;;" + ti + ")(A;CIIO;GA;;;" + ti +
             ")(A;;0x1301bf;;;SY)(A;OICIIO;GA;;;SY)(A;;0x1301bf;;;BA)(A;OICIIO;GA;;;BA)"
             "(A;;0x1200a9;;;BU)(A;OICIIO;GXGR;;;BU)(A;OICIIO;GA;;;CO)(A;;0x1200a9;;;S-1-15-2-1)",
         true, true},
        // Authenticated Users may make folders in the root: not in ours.
        {"a system drive's root",
         "O:SYD:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICIIO;GA;;;CO)(A;OICI;0x1200a9;;;BU)"
         "(A;CI;0x4;;;AU)(A;OICIIO;SDGXGWGR;;;AU)",
         false, true},
        // Power Users may rename it: a folder of theirs would take its name.
        {"Program Files of Windows XP, which Power Users may change",
         "O:BAD:(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICIIO;GA;;;CO)(A;OICI;0x1200a9;;;BU)"
         "(A;OICI;0x1301bf;;;PU)",
         false, false},
        {"a folder setup makes", "O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)",
         true, true},
        {"one the account running setup owns", "O:" + me + "D:P(A;OICI;FA;;;" + me + ")", true,
         true},
        // The owner may always change the list.
        {"one another user made beforehand", "O:" + other + "D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)",
         false, false},
        {"no owner", "D:P(A;OICI;FA;;;BA)", false, false},
        {"full control for another user", "O:BAD:P(A;;FA;;;BA)(A;;FA;;;" + other + ")", false,
         false},
        {"Wine's folder that anybody may change",
         "O:" + me + "D:(A;OICI;FA;;;SY)(A;OICI;FA;;;" + me + ")(A;OICI;0x1301ff;;;WD)", false,
         false},
        {"Wine's folder that anybody may read",
         "O:" + me + "D:(A;OICI;FA;;;SY)(A;OICI;FA;;;" + me + ")(A;OICI;0x1200a9;;;WD)", true,
         true},
        {"deleting entries", "O:BAD:P(A;;FA;;;BA)(A;;0x40;;;AU)", false, false},
        {"changing the list", "O:BAD:P(A;;FA;;;BA)(A;;0x40000;;;BU)", false, false},
        {"taking ownership", "O:BAD:P(A;;FA;;;BA)(A;;0x80000;;;BU)", false, false},
        {"everything, generically", "O:BAD:P(A;;FA;;;BA)(A;;GA;;;BU)", false, false},
        {"writing, generically", "O:BAD:P(A;;FA;;;BA)(A;;GW;;;BU)", false, true},
        {"adding files", "O:BAD:P(A;;FA;;;BA)(A;;0x2;;;BU)", false, true},
        {"writing attributes", "O:BAD:P(A;;FA;;;BA)(A;;0x100;;;BU)", false, true},
        // Renaming a folder above is the attack: a new one takes its name.
        {"deleting or renaming the folder", "O:BAD:P(A;;FA;;;BA)(A;;SD;;;BU)", false, false},
        {"modify, as Authenticated Users have on folders made in a drive's root",
         "O:BAD:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1301bf;;;AU)", false, false},
        // What is made inside gets lists of its own.
        {"rights for what is made inside only", "O:BAD:P(A;;FA;;;BA)(A;OICIIO;FA;;;BU)", true,
         true},
        {"rights for the creator of what is made inside", "O:BAD:P(A;;FA;;;BA)(A;;FA;;;CO)", true,
         true},
        {"everything denied to everybody", "O:BAD:P(D;;FA;;;WD)(A;;FA;;;BA)", true, true},
        {"an empty list", "O:BAD:P", true, true},
        {"no list at all", "O:BA", false, false},
    };
    PSID user = nullptr;
    ASSERT_TRUE(::ConvertStringSidToSidW(wide(me).c_str(), &user));
    const DWORD change = platform::judged_rights(false, true),
                move = platform::judged_rights(false, false);
    for (const auto &c : cases) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(
            wide(c.descriptor).c_str(), SDDL_REVISION_1, &descriptor, nullptr))
            << c.what;
        EXPECT_EQ(platform::only_trusted_may(descriptor, user, change), c.change) << c.what;
        EXPECT_EQ(platform::only_trusted_may(descriptor, user, move), c.move) << c.what;
        ::LocalFree(descriptor);
    }
    // With a split token the account's own programs without administrator
    // rights act as it: it is trusted neither as owner nor in an entry.
    for (const std::string &descriptor :
         {"O:" + me + "D:P(A;OICI;FA;;;BA)", "O:BAD:P(A;;FA;;;BA)(A;;FA;;;" + me + ")"}) {
        PSECURITY_DESCRIPTOR converted = nullptr;
        ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(
            wide(descriptor).c_str(), SDDL_REVISION_1, &converted, nullptr));
        EXPECT_TRUE(platform::only_trusted_may(converted, user, platform::kMoveRights));
        EXPECT_FALSE(platform::only_trusted_may(converted, nullptr, platform::kMoveRights))
            << descriptor;
        ::LocalFree(converted);
    }
    PSID system = nullptr;
    ASSERT_TRUE(::ConvertStringSidToSidW(L"S-1-5-18", &system));
    EXPECT_FALSE(platform::account_is_trusted(user, TokenElevationTypeFull, true));
    EXPECT_FALSE(platform::account_is_trusted(user, TokenElevationTypeLimited, true));
    EXPECT_TRUE(platform::account_is_trusted(user, TokenElevationTypeDefault, true));
    EXPECT_TRUE(platform::account_is_trusted(user, TokenElevationTypeFull, false)) << "UAC off";
    EXPECT_TRUE(platform::account_is_trusted(system, TokenElevationTypeFull, true));
    ::LocalFree(system);

    // Every kind of allowing entry counts, built byte by byte: compound
    // (a server, then a client), object (with or without object types),
    // callback and callback object.
    const auto sid_bytes = [](const std::string &text) {
        PSID sid = nullptr;
        ::ConvertStringSidToSidA(text.c_str(), &sid);
        std::string bytes(static_cast<const char *>(sid), ::GetLengthSid(sid));
        ::LocalFree(sid);
        return bytes;
    };
    const std::string admins = sid_bytes("S-1-5-32-544"), another = sid_bytes(other);
    const std::string guid(16, '\x11'), no_flags(4, '\0');
    const std::string both_types = std::string("\x03\0\0\0", 4) + guid + guid;
    const auto with_entry = [&](BYTE type, const std::string &rest) {
        std::string entry(8, '\0');
        entry[0] = static_cast<char>(type);
        const WORD size = static_cast<WORD>(8 + rest.size());
        std::memcpy(&entry[2], &size, 2);
        const DWORD mask = FILE_DELETE_CHILD;
        std::memcpy(&entry[4], &mask, 4);
        entry += rest;
        alignas(DWORD) unsigned char list[512];
        ::InitializeAcl(reinterpret_cast<PACL>(list), sizeof list, ACL_REVISION_DS);
        PSID owner = const_cast<char *>(admins.data());
        ::AddAccessAllowedAce(reinterpret_cast<PACL>(list), ACL_REVISION, FILE_ALL_ACCESS, owner);
        EXPECT_TRUE(::AddAce(reinterpret_cast<PACL>(list), ACL_REVISION_DS, MAXDWORD, &entry[0],
                             static_cast<DWORD>(entry.size())));
        SECURITY_DESCRIPTOR descriptor;
        ::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
        ::SetSecurityDescriptorOwner(&descriptor, owner, FALSE);
        ::SetSecurityDescriptorDacl(&descriptor, TRUE, reinterpret_cast<PACL>(list), FALSE);
        return platform::only_trusted_may(&descriptor, user, platform::kMoveRights);
    };
    const std::string compound_kind = std::string("\x01\0\0\0", 4);
    EXPECT_FALSE(with_entry(ACCESS_ALLOWED_COMPOUND_ACE_TYPE, compound_kind + admins + another));
    EXPECT_TRUE(with_entry(ACCESS_ALLOWED_COMPOUND_ACE_TYPE, compound_kind + admins + admins));
    EXPECT_FALSE(with_entry(ACCESS_ALLOWED_OBJECT_ACE_TYPE, no_flags + another));
    EXPECT_FALSE(with_entry(ACCESS_ALLOWED_OBJECT_ACE_TYPE, both_types + another));
    EXPECT_TRUE(with_entry(ACCESS_ALLOWED_OBJECT_ACE_TYPE, both_types + admins));
    EXPECT_FALSE(with_entry(ACCESS_ALLOWED_CALLBACK_ACE_TYPE, another));
    EXPECT_FALSE(with_entry(ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE, no_flags + another));
    EXPECT_TRUE(with_entry(ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE, no_flags + admins));

    // A null list lets everybody do everything. (Built by hand: Wine reads
    // "D:NO_ACCESS_CONTROL" as an empty list.)
    SECURITY_DESCRIPTOR open;
    ::InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION);
    ::SetSecurityDescriptorOwner(&open, user, FALSE);
    ::SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE);
    EXPECT_FALSE(platform::only_trusted_may(&open, user, platform::kMoveRights));
    ::LocalFree(user);
}

// The same on folders as Wine shows them: from their Unix mode, owned by
// the account running the tests.
TEST_F(Files, FoldersAnybodyMayChangeAreRefusedAsTheSystemReportsThem) {
    const auto only_trusted_may = [](const std::wstring &path, DWORD rights) {
        const platform::UniqueHandle folder(
            ::CreateFileW(path.c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        return folder && platform::only_trusted_may_on(
                             folder.get(), platform::RunningAccount().trusted_sid(), rights);
    };
    EXPECT_TRUE(only_trusted_may(L"C:\\", platform::kChangeRights));
    EXPECT_TRUE(only_trusted_may(L"C:\\Program Files", platform::kChangeRights));
    const std::string open = dir + "\\open";
    ::CreateDirectoryW(wide(open).c_str(), nullptr);
    ASSERT_TRUE(set_access_list(open, "D:P(A;OICI;FA;;;WD)"));
    ASSERT_NE(access_list_of(open).find("S-1-1-0 1301ff OICI"), std::string::npos)
        << access_list_of(open);
    EXPECT_FALSE(only_trusted_may(wide(open), platform::kMoveRights));
    EXPECT_FALSE(only_trusted_may(wdir + L"\\missing", 0));

    // Neither the folder itself nor one made inside it, which nothing is;
    // the reason is the rights, not a code left from an earlier call.
    ::SetLastError(ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(force_directories(wide(open)), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(force_directories(wide(open + "\\Tolmera\\")), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(exists(open + "\\Tolmera"));
    EXPECT_EQ(force_directories(wdir + L"\\closed\\Tolmera\\"), 0u);
}

// Only reparse points that send their name elsewhere are links; the
// placeholders of a folder a cloud service keeps in step are not.
TEST_F(Files, LinksAreNameRedirectionsAnywhereOnTheWay) {
    const DWORD folder = FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY;
    EXPECT_TRUE(platform::redirects_name(folder, 0xA0000003));                       // junction
    EXPECT_TRUE(platform::redirects_name(FILE_ATTRIBUTE_REPARSE_POINT, 0xA000000C)); // symbolic
    EXPECT_TRUE(platform::redirects_name(folder, 0)); // untold, as Wine's Unix links
    for (DWORD cloud : {0x9000001Au, 0x9000101Au, 0x9000601Au, 0x9000F01Au})
        EXPECT_FALSE(platform::redirects_name(folder, cloud)) << std::hex << cloud;
    EXPECT_FALSE(
        platform::redirects_name(FILE_ATTRIBUTE_REPARSE_POINT, 0x80000013)); // deduplicated
    EXPECT_FALSE(platform::redirects_name(FILE_ATTRIBUTE_DIRECTORY, 0xA0000003));

    const std::string real = dir + "\\real", link = dir + "\\link";
    ::CreateDirectoryW(wide(real).c_str(), nullptr);
    ::CreateDirectoryW(wide(real + "\\sub").c_str(), nullptr);
    ASSERT_TRUE(make_unix_symbolic_link(real, link));
    EXPECT_TRUE(platform::is_link(wide(link)));
    EXPECT_TRUE(platform::is_link(wide(link + "\\")));
    EXPECT_FALSE(platform::is_link(wide(link + "\\sub")));
    EXPECT_FALSE(platform::is_link(L"C:\\"));
    EXPECT_TRUE(platform::path_has_link(wide(link + "\\sub\\Corvanta.lnk")));
    EXPECT_TRUE(platform::path_has_link(wide(link + "\\sub\\")));
    EXPECT_FALSE(platform::path_has_link(wide(real + "\\sub\\Corvanta.lnk")));
    EXPECT_EQ(force_directories(wide(link + "\\sub\\Tolmera\\")), platform::kErrorLinkOnTheWay);
    EXPECT_FALSE(exists(real + "\\sub\\Tolmera"));
    remove_unix_symbolic_link(link);
}

} // namespace
