// The program file as the build makes it: its form, its imports, what it
// carries and how it knows its own copies.
#include "product/manifest.h"
#include "platform/files/image_file.h"
#include "platform/files/paths.h"
#include "platform/resources.h"
#include "support/environment.h"
#include "support/errors.h"
#include "support/program.h"
#include "support/text.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <set>

using namespace testing_support;

namespace {

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

} // namespace
