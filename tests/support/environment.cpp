#include "environment.h"
#include "text.h"
#include <windows.h>
#include <sddl.h>
#include <vector>
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>

namespace testing_support {

std::string windows_path(const std::string &path) {
    if (path.empty() || path[0] != '/') return path;
    std::string converted = "Z:" + path;
    for (auto &c : converted)
        if (c == '/') c = '\\';
    return converted;
}

std::string path_from_environment(const char *name) {
    const char *value = std::getenv(name);
    if (!value || !*value) {
        ADD_FAILURE() << name << " is not set";
        return {};
    }
    return windows_path(value);
}

std::string read_file(const std::string &path) {
    const HANDLE file = ::CreateFileW(wide(path).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string bytes;
    char chunk[65536];
    DWORD got = 0;
    while (::ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got)
        bytes.append(chunk, got);
    ::CloseHandle(file);
    return bytes;
}

void write_text_file(const std::string &path, const std::string &bytes) {
    const HANDLE file = ::CreateFileW(wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
}

bool exists(const std::string &path) {
    return ::GetFileAttributesW(wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void remove_tree(const std::string &path) {
    const std::wstring wide_path = wide(path);
    const DWORD attributes = ::GetFileAttributesW(wide_path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        remove_unix_symbolic_link(path); // the link only, not what it points to
        return;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ::SetFileAttributesW(wide_path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(wide_path.c_str());
        return;
    }
    WIN32_FIND_DATAW found;
    const HANDLE search = ::FindFirstFileW((wide_path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = utf8(found.cFileName);
            if (name != "." && name != "..") remove_tree(path + "\\" + name);
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
    }
    ::RemoveDirectoryW(wide_path.c_str());
}

std::string scratch_directory(const std::string &name) {
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::string path = utf8(temp) + "instal-tests\\" + name;
    ::CreateDirectoryW((std::wstring(temp) + L"instal-tests").c_str(), nullptr);
    remove_tree(path);
    ::CreateDirectoryW(wide(path).c_str(), nullptr);
    return path;
}

namespace {
// The Unix path of a Windows path, through Wine's own conversion; the last
// element need not exist.
std::string unix_path_of(const std::string &path) {
    using Convert = char *(__cdecl *)(const wchar_t *); // not WINAPI: Wine declares it CDECL
    const auto convert = reinterpret_cast<Convert>(reinterpret_cast<void (*)()>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!convert) return {};
    char *unix_path = convert(wide(path).c_str());
    if (!unix_path) return {};
    std::string result = unix_path;
    ::HeapFree(::GetProcessHeap(), 0, unix_path);
    return result;
}

// Runs a Unix program with these arguments and waits for it.
bool run_unix(std::vector<std::string> arguments) {
    using Spawn = LONG(WINAPI *)(char *const *, int);
    const auto spawn = reinterpret_cast<Spawn>(reinterpret_cast<void (*)()>(
        ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "__wine_unix_spawnvp")));
    if (!spawn) return false;
    std::vector<char *> argv;
    for (auto &argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    return spawn(argv.data(), TRUE) == 0;
}
} // namespace

bool make_unix_symbolic_link(const std::string &target, const std::string &link) {
    const std::string unix_target = unix_path_of(target), unix_link = unix_path_of(link);
    return !unix_target.empty() && !unix_link.empty() &&
           run_unix({"/bin/ln", "-s", unix_target, unix_link}) && exists(link);
}

void remove_unix_symbolic_link(const std::string &link) {
    const std::string unix_link = unix_path_of(link);
    if (!unix_link.empty()) run_unix({"/bin/rm", "-f", unix_link});
}

std::string access_list_of(const std::string &path) {
    DWORD size = 0;
    ::GetFileSecurityW(wide(path).c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
    std::vector<BYTE> buffer(size ? size : 1);
    if (!::GetFileSecurityW(wide(path).c_str(), DACL_SECURITY_INFORMATION, buffer.data(), size,
                            &size))
        return "(cannot read: " + std::to_string(::GetLastError()) + ")";
    return access_list_text(buffer.data());
}

bool set_access_list(const std::string &path, const std::string &list) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(wide(list).c_str(), SDDL_REVISION_1,
                                                                &descriptor, nullptr))
        return false;
    const bool set =
        ::SetFileSecurityW(wide(path).c_str(), DACL_SECURITY_INFORMATION, descriptor) != FALSE;
    ::LocalFree(descriptor);
    return set;
}

std::string access_list_text(void *security_descriptor) {
    const auto descriptor = static_cast<PSECURITY_DESCRIPTOR>(security_descriptor);
    BOOL present = FALSE, defaulted = FALSE;
    PACL acl = nullptr;
    ::GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted);
    if (!present || !acl) return "(no access list)";
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ::GetSecurityDescriptorControl(descriptor, &control, &revision);
    std::string text = (control & SE_DACL_PROTECTED) ? "protected" : "inherits";
    for (DWORD i = 0; i < acl->AceCount; ++i) {
        void *entry = nullptr;
        ::GetAce(acl, i, &entry);
        const auto ace = static_cast<ACCESS_ALLOWED_ACE *>(entry);
        char *sid = nullptr;
        ::ConvertSidToStringSidA(&ace->SidStart, &sid);
        char mask[16];
        std::snprintf(mask, sizeof mask, "%lx", static_cast<unsigned long>(ace->Mask));
        text += "; " + std::string(ace->Header.AceType == ACCESS_DENIED_ACE_TYPE ? "deny " : "") +
                (sid ? sid : "?") + " " + mask;
        ::LocalFree(sid);
        const BYTE flags = ace->Header.AceFlags;
        if (flags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE))
            text += std::string(" ") + (flags & OBJECT_INHERIT_ACE ? "OI" : "") +
                    (flags & CONTAINER_INHERIT_ACE ? "CI" : "");
    }
    return text;
}

std::string small_drive() {
    const char *drive = std::getenv("INSTAL_SMALL_DRIVE");
    const std::string root = drive && *drive ? std::string(drive) + "\\" : "";
    if (root.empty() || !(::GetFileAttributesA(root.c_str()) & FILE_ATTRIBUTE_DIRECTORY))
        ADD_FAILURE()
            << "no small drive T: the test environment could not mount one (it needs root)";
    return root;
}

void fill_drive(const std::string &root, unsigned long long spare) {
    ULARGE_INTEGER free_bytes = {};
    ASSERT_TRUE(::GetDiskFreeSpaceExA(root.c_str(), &free_bytes, nullptr, nullptr));
    ASSERT_GE(free_bytes.QuadPart, spare);
    write_text_file(root + "filler", std::string(free_bytes.QuadPart - spare, '\0'));
}

} // namespace testing_support
