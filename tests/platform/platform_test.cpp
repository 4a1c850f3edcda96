// The platform layer and the program file itself, against Wine's real
// registry, files, resources and shell.
#include "setup/self_removal.h"
#include "support/recorder.h"
#include "product/manifest.h"
#include "platform/security/acting_as_user.h"
#include "platform/files/files.h"
#include "platform/files/image_file.h"
#include "platform/files/paths.h"
#include "platform/files/restart_list.h"
#include "platform/registry.h"
#include "platform/resources.h"
#include "platform/security/security.h"
#include "platform/setup_error.h"
#include "platform/shell.h"
#include "platform/text/text_file.h"
#include "support/environment.h"
#include "support/program.h"
#include "support/text.h"
#include "support/registry_state.h"
#include "window/application.h"
#include "window/pictures.h"
#include <gtest/gtest.h>
#include <sddl.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <set>

using namespace testing_support;

namespace {

std::string error_of(const std::function<void()> &action) {
    try {
        action();
    } catch (const platform::SetupError &error) {
        return utf8(error.what());
    }
    return "(no error)";
}

// --- The program file ---------------------------------------------------

struct PeFacts {
    WORD machine = 0;
    WORD subsystem = 0;
    WORD subsystem_version = 0; // major << 8 | minor
    WORD dll_characteristics = 0;
    std::set<std::string> imports;
    std::set<std::string> functions; // imported by name, from any DLL
};

PeFacts read_pe(const std::string &bytes) {
    PeFacts facts;
    auto at = [&](std::size_t offset, auto &value) {
        std::memcpy(&value, bytes.data() + offset, sizeof value);
    };
    DWORD pe = 0;
    at(0x3C, pe);
    IMAGE_NT_HEADERS32 headers;
    at(pe, headers);
    facts.machine = headers.FileHeader.Machine;
    facts.subsystem = headers.OptionalHeader.Subsystem;
    facts.dll_characteristics = headers.OptionalHeader.DllCharacteristics;
    facts.subsystem_version = static_cast<WORD>(headers.OptionalHeader.MajorSubsystemVersion << 8 |
                                                headers.OptionalHeader.MinorSubsystemVersion);
    const auto sections =
        pe + sizeof(DWORD) + sizeof(IMAGE_FILE_HEADER) + headers.FileHeader.SizeOfOptionalHeader;
    auto file_offset = [&](DWORD rva) -> std::size_t {
        for (WORD i = 0; i < headers.FileHeader.NumberOfSections; ++i) {
            IMAGE_SECTION_HEADER section;
            at(sections + i * sizeof section, section);
            if (rva >= section.VirtualAddress &&
                rva < section.VirtualAddress + section.Misc.VirtualSize)
                return rva - section.VirtualAddress + section.PointerToRawData;
        }
        return 0;
    };
    const DWORD imports =
        headers.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (std::size_t d = file_offset(imports);; d += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        IMAGE_IMPORT_DESCRIPTOR descriptor;
        at(d, descriptor);
        if (descriptor.Name == 0) break;
        std::string name = bytes.c_str() + file_offset(descriptor.Name);
        for (auto &c : name)
            c = static_cast<char>(::tolower(static_cast<unsigned char>(c)));
        facts.imports.insert(name);
        const DWORD names =
            descriptor.OriginalFirstThunk ? descriptor.OriginalFirstThunk : descriptor.FirstThunk;
        for (std::size_t t = file_offset(names);; t += sizeof(DWORD)) {
            DWORD thunk = 0;
            at(t, thunk);
            if (thunk == 0) break;
            if (!(thunk & IMAGE_ORDINAL_FLAG32))
                facts.functions.insert(bytes.c_str() + file_offset(thunk) + sizeof(WORD));
        }
    }
    return facts;
}

TEST(ProgramFile, IsA32BitGuiProgramImportingOnlySystemDlls) {
    const PeFacts facts = read_pe(read_file(path_from_environment("INSTAL_EXE")));
    EXPECT_EQ(facts.machine, IMAGE_FILE_MACHINE_I386);
    EXPECT_EQ(facts.subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
    // Only the system's known DLLs, which the loader takes from the system
    // directory whatever lies beside the program: comctl32.dll is not one
    // of them, and the program loads it itself.
    const std::set<std::string> known = {"advapi32.dll", "gdi32.dll", "kernel32.dll",
                                         "msvcrt.dll",   "ole32.dll", "shell32.dll",
                                         "user32.dll"};
    for (const auto &name : facts.imports)
        EXPECT_TRUE(known.count(name)) << name;
    // Paths and registry data go through the wide functions only: an ANSI
    // one would turn a letter outside the code page into '?'. The runtime's
    // start-up information carries no path.
    for (const auto &function : facts.functions) {
        const bool ansi = function.size() > 1 && function.back() == 'A' &&
                          ::islower(static_cast<unsigned char>(function[function.size() - 2]));
        EXPECT_TRUE(!ansi || function == "GetStartupInfoA") << function;
        // advapi32 forwards these to DLLs that are not known ones, which the
        // loader would look for beside the program.
        EXPECT_TRUE(function.rfind("Crypt", 0) != 0 && function != "SystemFunction036") << function;
    }
    // A program that is not terminal-server aware gets a Windows folder of
    // the user's own on a terminal server.
    EXPECT_TRUE(facts.dll_characteristics & IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE);
}

// The program holds its own file from start-up, and knows a copy of it by
// the digest the build recorded in the running image: every byte counts
// but the ones Authenticode signing changes.
TEST(ProgramFile, TheRunningImageIsHeldAndCopiesAreKnownByItsDigest) {
    const platform::ImageFile &running = platform::ImageFile::running();
    ASSERT_TRUE(running.opened());
    EXPECT_TRUE(running.movable());
    const std::wstring own = platform::module_path().c_str();
    EXPECT_FALSE(::MoveFileW(own.c_str(), (own + L".old").c_str())) << "renamed while it runs";
    EXPECT_TRUE(platform::is_running_program(running.handle()));
    EXPECT_FALSE(platform::is_running_program(
        platform::ImageFile(wide(path_from_environment("INSTAL_EXE"))).handle()))
        << "another program";

    const std::string original = read_file(utf8(own));
    const std::string copy_path = scratch_directory("program-digest") + "\\copy.exe";
    const auto accepted = [&](const std::string &bytes) {
        write_text_file(copy_path, bytes);
        const platform::ImageFile copy(wide(copy_path));
        const bool known = copy.opened() && platform::is_running_program(copy.handle());
        // The same verdict from the bytes as a copy writes them, in parts
        // that end inside the headers and anywhere after them.
        for (const std::size_t part : {1000u, 4097u, 65536u}) {
            platform::RunningProgramCopy written;
            for (std::size_t at = 0; at < bytes.size(); at += part)
                written.add(bytes.data() + at,
                            static_cast<DWORD>(std::min(part, bytes.size() - at)));
            EXPECT_EQ(written.accept(), known) << "in parts of " << part;
        }
        return known;
    };
    const auto changed = [&](std::size_t at) {
        std::string bytes = original;
        bytes[at] = static_cast<char>(bytes[at] ^ 0x5A);
        return bytes;
    };
    ASSERT_TRUE(accepted(original));

    // Signed: a checksum, the certificate table's entry and the table
    // appended at an 8-byte boundary.
    const DWORD nt = *reinterpret_cast<const DWORD *>(original.data() + 0x3C);
    const auto &headers = *reinterpret_cast<const IMAGE_NT_HEADERS32 *>(original.data() + nt);
    std::string signed_copy = original;
    signed_copy.resize((signed_copy.size() + 7) / 8 * 8, '\0');
    const DWORD table[2] = {static_cast<DWORD>(signed_copy.size()), 0x208};
    signed_copy.append(0x208, '\x30');
    std::memcpy(&signed_copy[nt + offsetof(IMAGE_NT_HEADERS32, OptionalHeader.CheckSum)],
                "\x12\x34\x56\x78", 4);
    std::memcpy(&signed_copy[nt + offsetof(IMAGE_NT_HEADERS32, OptionalHeader.DataDirectory) +
                             IMAGE_DIRECTORY_ENTRY_SECURITY * sizeof(IMAGE_DATA_DIRECTORY)],
                table, sizeof table);
    EXPECT_TRUE(accepted(signed_copy)) << "signed";
    signed_copy[table[0] - 1] = 1; // a byte before the table
    EXPECT_FALSE(accepted(signed_copy)) << "signed, then changed";

    // What is compared is the digest in the running image, not the copy's
    // own 32 bytes: changing them changes nothing.
    const Sha256 &digest = platform::recorded_program_digest();
    const auto slot =
        original.find(std::string(reinterpret_cast<const char *>(digest.bytes), sizeof digest));
    ASSERT_NE(slot, std::string::npos);
    EXPECT_TRUE(accepted(changed(slot + 7))) << "the digest's own bytes";

    // One byte anywhere else: the headers, every section (code, data,
    // resources), an imported DLL's name; a byte more; a file cut short.
    EXPECT_FALSE(accepted(changed(0x40))) << "headers";
    const IMAGE_SECTION_HEADER *section = IMAGE_FIRST_SECTION(&headers);
    for (WORD i = 0; i < headers.FileHeader.NumberOfSections; ++i, ++section) {
        if (!section->SizeOfRawData) continue;
        EXPECT_FALSE(accepted(changed(section->PointerToRawData + section->SizeOfRawData / 3)))
            << reinterpret_cast<const char *>(section->Name);
    }
    const auto dll_name = original.find("KERNEL32.dll");
    ASSERT_NE(dll_name, std::string::npos);
    EXPECT_FALSE(accepted(changed(dll_name + 2))) << "an imported DLL's name";
    EXPECT_FALSE(accepted(original + '\0')) << "a byte more";
    EXPECT_FALSE(accepted(original.substr(0, original.size() - 1))) << "cut short";

    // Held by another program without delete sharing (or on a CD), the file
    // is held for reading only: it can be read, not moved.
    write_text_file(copy_path, original);
    const HANDLE other = ::CreateFileA(copy_path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    {
        const platform::ImageFile held(wide(copy_path));
        EXPECT_TRUE(held.opened());
        EXPECT_FALSE(held.movable());
        EXPECT_TRUE(platform::is_running_program(held.handle()));
        EXPECT_FALSE(held.move_to(wide(copy_path + ".moved")));
    }
    ::CloseHandle(other);
}

// Windows XP SP3's loader refuses a program whose header asks for a later
// system or that imports a function it lacks, before the program's first line.
TEST(ProgramFile, LoadsOnWindowsXp) {
    const PeFacts facts = read_pe(read_file(path_from_environment("INSTAL_EXE")));
    EXPECT_LE(facts.subsystem_version, 0x0501);
    EXPECT_FALSE(facts.functions.empty());
    // Functions that came with Vista or later and that runtimes and
    // programs like this one are known to use.
    const char *const later[] = {"GetTickCount64",
                                 "InitializeSRWLock",
                                 "AcquireSRWLockExclusive",
                                 "AcquireSRWLockShared",
                                 "ReleaseSRWLockExclusive",
                                 "ReleaseSRWLockShared",
                                 "TryAcquireSRWLockExclusive",
                                 "InitializeConditionVariable",
                                 "SleepConditionVariableCS",
                                 "SleepConditionVariableSRW",
                                 "WakeConditionVariable",
                                 "WakeAllConditionVariable",
                                 "InitializeCriticalSectionEx",
                                 "InitOnceExecuteOnce",
                                 "InitOnceBeginInitialize",
                                 "FlsAlloc",
                                 "FlsFree",
                                 "FlsGetValue",
                                 "FlsSetValue",
                                 "GetSystemTimePreciseAsFileTime",
                                 "SetDefaultDllDirectories",
                                 "AddDllDirectory",
                                 "GetFinalPathNameByHandleA",
                                 "GetFinalPathNameByHandleW",
                                 "CreateSymbolicLinkA",
                                 "GetFileInformationByHandleEx",
                                 "SetFileInformationByHandle",
                                 "GetLocaleInfoEx",
                                 "LCMapStringEx",
                                 "CompareStringEx",
                                 "CreateEventExW",
                                 "CreateMutexExW",
                                 "CreateSemaphoreExW",
                                 "GetCurrentProcessorNumber",
                                 "QueryFullProcessImageNameA",
                                 "GetErrorMode",
                                 "SHGetKnownFolderPath",
                                 "SetProcessDPIAware",
                                 "GetDpiForWindow"};
    for (const char *name : later)
        EXPECT_FALSE(facts.functions.count(name)) << name;
}

BOOL CALLBACK collect_language(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR found) {
    reinterpret_cast<std::vector<WORD> *>(found)->push_back(language);
    return TRUE;
}

// The test program carries the same resource script as the setup program.
TEST(ProgramFile, CarriesEachPayloadByteForByteInChineseOnly) {
    const std::string payload_dir = path_from_environment("INSTAL_PAYLOAD_DIR");
    const std::string sources[] = {path_from_environment("INSTAL_APPLICATION_FILE"),
                                   payload_dir + "\\misuc.dat", payload_dir + "\\readme.chm",
                                   payload_dir + "\\orderform.htm", payload_dir + "\\Tolmera.xml"};
    const HMODULE module = ::GetModuleHandleA(nullptr);
    for (std::size_t i = 0; i < std::size(manifest::kPayloads); ++i) {
        const auto &payload = manifest::kPayloads[i];
        const auto bytes = platform::find_resource(module, payload.type, payload.name);
        const std::string expected = read_file(sources[i]);
        ASSERT_FALSE(expected.empty()) << sources[i];
        EXPECT_EQ(std::string(static_cast<const char *>(bytes.data), bytes.size), expected)
            << payload.name;
        std::vector<WORD> languages;
        ::EnumResourceLanguagesW(module, payload.type, payload.name, collect_language,
                                 reinterpret_cast<LONG_PTR>(&languages));
        EXPECT_EQ(languages, std::vector<WORD>{2052}) << payload.name;
    }
    EXPECT_EQ(read_file(sources[0]).compare(0, 2, "MZ"), 0);
    EXPECT_EQ(read_file(sources[2]).compare(0, 4, "ITSF"), 0);
}

// What a PAD file states in one of its fields.
std::string pad_field(const std::string &pad, const std::string &field) {
    const std::string open = "<" + field + ">";
    const std::size_t start = pad.find(open);
    if (start == std::string::npos) return "(no " + field + ")";
    const std::size_t from = start + open.size();
    return pad.substr(from, pad.find('<', from) - from);
}

// What the file's properties, inventories and deployment tools read, as they
// read it: through the system's version functions.
TEST(ProgramFile, NamesItsMakerAndVersionInItsVersionResource) {
    const std::wstring program = wide(path_from_environment("INSTAL_EXE"));
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(program.c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version resource";
    std::vector<char> info(size);
    ASSERT_TRUE(::GetFileVersionInfoW(program.c_str(), 0, size, info.data()));

    VS_FIXEDFILEINFO *fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueW(info.data(), L"\\", reinterpret_cast<void **>(&fixed), &length));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, (1u << 16) | 21u); // 1.21
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);               // .0.0
    EXPECT_EQ(fixed->dwProductVersionMS, (1u << 16) | 21u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    // The string table the translation names: US English, UTF-16.
    WORD *translation = nullptr;
    ASSERT_TRUE(::VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation",
                                 reinterpret_cast<void **>(&translation), &length));
    ASSERT_GE(length, 4u);
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 1200);
    const auto string_value = [&](const wchar_t *name) {
        wchar_t *value = nullptr;
        UINT characters = 0;
        const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        if (!::VerQueryValueW(info.data(), path.c_str(), reinterpret_cast<void **>(&value),
                              &characters))
            return std::string("(none)");
        return utf8(value);
    };
    const std::string pad =
        read_file(path_from_environment("INSTAL_PAYLOAD_DIR") + "\\Tolmera.xml");
    EXPECT_EQ(string_value(L"CompanyName"), "Kestra Software");
    EXPECT_EQ(string_value(L"ProductName"), "Corvanta");
    EXPECT_EQ(string_value(L"FileDescription"), "Corvanta setup");
    EXPECT_EQ(string_value(L"FileVersion"), "1.21");
    EXPECT_EQ(string_value(L"ProductVersion"), "1.21");
    EXPECT_EQ(string_value(L"LegalCopyright"), "Copyright (C) " +
                                                   pad_field(pad, "Program_Release_Year") + " " +
                                                   pad_field(pad, "Company_Name"));
    EXPECT_EQ(string_value(L"LegalCopyright"), "Copyright (C) 2003 Kestra Software");

    // The program's manifest names the same version, and still asks for
    // what it asked for (the build takes its comments and blanks out).
    const HMODULE file = ::LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(file);
    const HRSRC found = ::FindResourceW(file, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_TRUE(found);
    const std::string manifest(
        static_cast<const char *>(::LockResource(::LoadResource(file, found))),
        ::SizeofResource(file, found));
    ::FreeLibrary(file);
    for (const char *part :
         {"<assemblyIdentity type=\"win32\" name=\"KestraSoftware.Corvanta.Setup\" "
          "version=\"1.21.0.0\" processorArchitecture=\"x86\"/>",
          "<description>Corvanta setup</description>",
          "<requestedExecutionLevel level=\"requireAdministrator\" uiAccess=\"false\"/>",
          ">true</dpiAware>", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
        EXPECT_NE(manifest.find(part), std::string::npos) << part;
    EXPECT_EQ(manifest.find("<!--"), std::string::npos);
}

BOOL CALLBACK collect_type(HMODULE, LPSTR type, LONG_PTR found) {
    if (!IS_INTRESOURCE(type)) reinterpret_cast<std::set<std::string> *>(found)->insert(type);
    return TRUE;
}

TEST(ProgramFile, StoresPayloadTypesInUpperCase) {
    std::set<std::string> types;
    ::EnumResourceTypesA(::GetModuleHandleA(nullptr), collect_type,
                         reinterpret_cast<LONG_PTR>(&types));
    for (const char *type : {"APPFILE", "FACE", "README", "ORDERF", "XML"})
        EXPECT_TRUE(types.count(type)) << type;
}

TEST(ProgramFile, AMissingResourceIsNamedInTheError) {
    EXPECT_EQ(error_of([] {
                  platform::find_resource(::GetModuleHandleW(nullptr), L"appfile", L"MNONE");
              }),
              "Resource MNONE not found");
}

TEST(Pictures, BannerIsABaselineJfifJpegWithoutSubsamplingOf522x71) {
    const std::string jpeg = read_file(path_from_environment("INSTAL_ASSETS_DIR") + "\\banner.jpg");
    ASSERT_GT(jpeg.size(), 20u);
    EXPECT_EQ(jpeg.substr(6, 5), std::string("JFIF\0", 5));
    EXPECT_EQ(jpeg[11], 1); // version 1.01
    EXPECT_EQ(jpeg[12], 1);
    const auto sof = jpeg.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos) << "not baseline";
    EXPECT_EQ(jpeg[sof + 9], 3); // components
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(jpeg[sof + 11 + 3 * c], 0x11) << "component " << c;

    const auto bytes = platform::find_resource(::GetModuleHandleW(nullptr), L"JPEG", L"BANNER");
    const ui::Bitmap bitmap = ui::decode_jpeg(bytes.data, bytes.size);
    EXPECT_EQ(bitmap.width, 522);
    EXPECT_EQ(bitmap.height, 71);
    EXPECT_TRUE(ui::decode_jpeg("not a jpeg", 10).pixels.empty());
}

struct IconImage {
    int width, colours;
};

std::vector<IconImage> icon_group(const char *name) {
    const auto group = platform::find_resource(::GetModuleHandleW(nullptr), L"#14",
                                               wide(name).c_str()); // RT_GROUP_ICON;
    std::vector<IconImage> images;
    const auto *bytes = static_cast<const unsigned char *>(group.data);
    const int count = bytes[4] | bytes[5] << 8;
    for (int i = 0; i < count; ++i) {
        const unsigned char *entry = bytes + 6 + 14 * i;
        const int bits = entry[6] | entry[7] << 8;
        images.push_back({entry[0] ? entry[0] : 256, 1 << bits});
    }
    return images;
}

TEST(Pictures, IconsHaveTheirImageSizesAndColourDepths) {
    const auto folder = icon_group("#101");
    ASSERT_EQ(folder.size(), 6u);
    std::set<std::pair<int, int>> kinds;
    for (const auto &image : folder)
        kinds.insert({image.width, image.colours});
    EXPECT_EQ(kinds, (std::set<std::pair<int, int>>{
                         {16, 16}, {32, 16}, {48, 16}, {16, 256}, {32, 256}, {48, 256}}));
    for (const char *single : {"#102", "#103", "MAINICON"}) {
        const auto images = icon_group(single);
        ASSERT_EQ(images.size(), 1u) << single;
        EXPECT_EQ(images[0].width, 32);
        EXPECT_EQ(images[0].colours, 16);
    }
}

// --- Registry ------------------------------------------------------------

constexpr wchar_t kScratchKey[] = L"SOFTWARE\\instal-tests";
const std::string kScratchKeyText = utf8(kScratchKey);

class Registry : public ::testing::Test {
protected:
    void SetUp() override { platform::delete_key_tree(HKEY_LOCAL_MACHINE, kScratchKey); }
    void TearDown() override { platform::delete_key_tree(HKEY_LOCAL_MACHINE, kScratchKey); }
};

TEST_F(Registry, WritesTextWithItsTerminatingZero) {
    const auto key = platform::RegistryKey::create(HKEY_LOCAL_MACHINE, kScratchKey);
    key.write_text(L"exepath", L"C:\\Program Files\\Tolmera\\");
    const RawValue value = read_raw(HKEY_LOCAL_MACHINE, kScratchKeyText, "exepath");
    EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(value.bytes, std::string("C:\\Program Files\\Tolmera\\\0", 26));
    key.write_text(L"empty", L"");
    EXPECT_EQ(read_raw(HKEY_LOCAL_MACHINE, kScratchKeyText, "empty").bytes, std::string(1, '\0'));
}

TEST_F(Registry, ReadsMissingAsEmptyAndTextAsStored) {
    const auto key = platform::RegistryKey::create(HKEY_LOCAL_MACHINE, kScratchKey);
    EXPECT_EQ(key.read_text(L"absent"), L"");
    EXPECT_EQ(platform::RegistryKey::open(HKEY_LOCAL_MACHINE, L"SOFTWARE\\no such key")
                  .read_text(L"exepath"),
              L"");
    const char expandable[] = "%TEMP%\\x";
    ::RegSetValueExA(key.get(), "expand", 0, REG_EXPAND_SZ,
                     reinterpret_cast<const BYTE *>(expandable), sizeof expandable);
    EXPECT_EQ(key.read_text(L"expand"), L"%TEMP%\\x");
    ::RegSetValueExA(key.get(), "zero", 0, REG_SZ, nullptr, 0);
    EXPECT_EQ(key.read_text(L"zero"), L"");
    const char inner[] = "before\0after";
    ::RegSetValueExA(key.get(), "inner", 0, REG_SZ, reinterpret_cast<const BYTE *>(inner),
                     sizeof inner);
    EXPECT_EQ(key.read_text(L"inner"), L"before");
}

TEST_F(Registry, ANonTextValueIsAnError) {
    set_dword(HKEY_LOCAL_MACHINE, kScratchKeyText, "exepath", 7);
    const auto key = platform::RegistryKey::open(HKEY_LOCAL_MACHINE, kScratchKey);
    EXPECT_EQ(error_of([&] { key.read_text(L"exepath"); }), "Invalid data type for 'exepath'");
}

// Full access, not only reading and writing: the key's access list can be
// changed through the very handle, as only full access allows.
TEST_F(Registry, CreatedKeysAllowEveryOperation) {
    const auto key = platform::RegistryKey::create(HKEY_LOCAL_MACHINE, kScratchKey);
    DWORD size = 0;
    ::RegGetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, nullptr, &size);
    std::vector<BYTE> descriptor(size ? size : 1);
    ASSERT_EQ(::RegGetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, descriptor.data(), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(::RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, descriptor.data()),
              ERROR_SUCCESS);
    HKEY sub = nullptr;
    EXPECT_EQ(::RegCreateKeyExA(key.get(), "sub", 0, nullptr, 0, KEY_READ, nullptr, &sub, nullptr),
              ERROR_SUCCESS);
    ::RegCloseKey(sub);
    key.write_text(L"v", L"x");
    key.delete_value(L"v");
    EXPECT_FALSE(read_raw(HKEY_LOCAL_MACHINE, kScratchKeyText, "v").present);
}

TEST_F(Registry, DeletesAKeyTreeFromTheDeepestUp) {
    set_string(HKEY_LOCAL_MACHINE, kScratchKeyText + "\\a\\b\\c", "v", "x");
    set_string(HKEY_LOCAL_MACHINE, kScratchKeyText + "\\d", "v", "x");
    platform::delete_key_tree(HKEY_LOCAL_MACHINE, kScratchKey);
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, kScratchKeyText));
}

TEST_F(Registry, TheRootItselfOpensAndAKeyThatCannotBeMadeIsNamed) {
    EXPECT_EQ(error_of([] { platform::RegistryKey::create(HKEY_LOCAL_MACHINE, L""); }),
              "(no error)"); // the root itself opens
    EXPECT_EQ(error_of([] {
                  platform::RegistryKey::create(reinterpret_cast<HKEY>(0x1234), L"SOFTWARE\\x");
              }),
              "Failed to create key SOFTWARE\\x");
}

// --- Paths and files ------------------------------------------------------

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

// --- Error box, title and shell -----------------------------------------

TEST(ErrorBox, AddsAFullStopOnlyAfterCharactersThatSortAfterIt) {
    EXPECT_EQ(platform::error_box_text(L"Stream write error"), L"Stream write error.");
    EXPECT_EQ(platform::error_box_text(L"Cannot create file C:\\x\\"),
              L"Cannot create file C:\\x\\.");
    EXPECT_EQ(platform::error_box_text(L"done."), L"done.");
    EXPECT_EQ(platform::error_box_text(L"really!"), L"really!");
    EXPECT_EQ(platform::error_box_text(L"a-"), L"a-");
    EXPECT_EQ(platform::error_box_text(L""), L"");
    // The whole unit counts, not its low byte: U+3002 and U+012E end in 0x2E
    // ('.'), U+0100 in 0x00.
    EXPECT_EQ(platform::error_box_text(L"\u3002"), L"\u3002.");
    EXPECT_EQ(platform::error_box_text(L"\u012E"), L"\u012E.");
    EXPECT_EQ(platform::error_box_text(L"\u0100"), L"\u0100.");
}

TEST(ErrorBox, TitleIsTheFileNameCutAtItsFirstDot) {
    EXPECT_EQ(ui::application_title(L"C:\\Program Files\\Tolmera\\install.exe"), L"install");
    EXPECT_EQ(ui::application_title(L"Z:\\build\\INSTAL.EXE"), L"Instal");
    EXPECT_EQ(ui::application_title(L"C:\\my.setup.exe"), L"my");
    EXPECT_EQ(ui::application_title(L"C:\\a.b\\Setup"), L"Setup");
}

// Shortcuts are made and removed with no more rights than the user has: the
// Administrators group can only deny; the thread is itself again afterwards.
TEST(Security, WorkInTheUsersFoldersIsDoneWithoutTheAdministratorsRights) {
    const auto group_of = [](HANDLE token, DWORD &attributes) {
        DWORD size = 0;
        ::GetTokenInformation(token, TokenGroups, nullptr, 0, &size);
        std::vector<BYTE> buffer(size ? size : 1);
        if (!::GetTokenInformation(token, TokenGroups, buffer.data(), size, &size)) return false;
        const auto *groups = reinterpret_cast<const TOKEN_GROUPS *>(buffer.data());
        for (DWORD i = 0; i < groups->GroupCount; ++i) {
            LPWSTR sid = nullptr;
            ::ConvertSidToStringSidW(groups->Groups[i].Sid, &sid);
            const bool administrators = sid && std::wstring(sid) == L"S-1-5-32-544";
            ::LocalFree(sid);
            if (administrators) {
                attributes = groups->Groups[i].Attributes;
                return true;
            }
        }
        return false;
    };
    HANDLE process_token = nullptr;
    ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &process_token));
    DWORD attributes = 0;
    const bool elevated = group_of(process_token, attributes);
    ::CloseHandle(process_token);
    {
        const platform::ActingAsUser user;
        HANDLE thread_token = nullptr;
        ASSERT_TRUE(::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, &thread_token));
        if (elevated) {
            ASSERT_TRUE(group_of(thread_token, attributes));
            EXPECT_TRUE(attributes & SE_GROUP_USE_FOR_DENY_ONLY);
            EXPECT_FALSE(attributes & SE_GROUP_ENABLED);
        }
        // The privileges removed only Windows shows: Wine keeps them all.
        ::CloseHandle(thread_token);
    }
    HANDLE none = nullptr;
    EXPECT_FALSE(::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, &none));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_NO_TOKEN));
}

TEST(Shell, OleErrorsWithoutSystemTextShowTheirCode) {
    EXPECT_EQ(platform::ole_error_text(static_cast<HRESULT>(0x8FFF1234)), L"OLE error 8fff1234");
}

// --- Self-removal script ---------------------------------------------------

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
TEST(SelfRemoval, AnUninstallerOnAnotherDriveIsDeletedUnderANewName) {
    testing_support::PacingRecorder quiet;
    const char *drive = std::getenv("INSTAL_SMALL_DRIVE");
    if (!drive || !*drive || !platform::directory_exists(wide(std::string(drive) + "\\")))
        FAIL() << "no small drive T: the test environment could not mount one (it needs root)";
    const std::string folder = std::string(drive) + "\\Tolmera", program = folder + "\\install.exe";
    const std::string scripts = scratch_directory("self-removal-other-drive");
    ::CreateDirectoryA(folder.c_str(), nullptr);
    write_text_file(program, "x");
    {
        const platform::ImageFile file(wide(program));
        EXPECT_EQ(
            error_of([&] { remove_after_exit(file, wide(program), true, wide(scripts), quiet); }),
            "(no error)");
        EXPECT_FALSE(exists(program));
        write_text_file(program, "a new install's");
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

// Deletions of the install's own names leave the restart list; every other
// entry (renames, other files) keeps its bytes and its order. (Wine ends
// the last name of a list it stores with its zero, so a list cut inside a
// name, which Windows keeps as written, is not seen here.)
TEST(RestartList, OnlyDeletionsOfTheGivenNamesAreTakenOut) {
    using namespace std::string_literals;
    const struct {
        std::string list, left; // "" left: the value is gone
    } cases[] = {
        {"\\??\\C:\\T\\Tolmera.exe\0\0\\??\\C:\\Other\0\0"s, "\\??\\C:\\Other\0\0"s},
        {"\\??\\c:\\t\\TOLMERA.EXE\0\0\\??\\C:\\T\0\0\0"s, ""},
        {"\\??\\C:\\T\\Tolmera.exe\0\\??\\C:\\New\0\\??\\C:\\T\0\0\0"s,
         "\\??\\C:\\T\\Tolmera.exe\0\\??\\C:\\New\0\0"s},
        {"\\??\\C:\\Other\0\0\\??\\C:\\T\\Tolmera.exe\0\0\0"s, "\\??\\C:\\Other\0\0\0"s},
    };
    const RestartListGuard restart_list;
    HKEY opened = nullptr;
    ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_SET_VALUE, &opened);
    const platform::UniqueKey key(opened);
    const platform::Text names[] = {L"C:\\T\\Tolmera.exe", L"C:\\T"};
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
