#include "environment.h"
#include <windows.h>
#include <sddl.h>
#include <vector>
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

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
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void write_text_file(const std::string &path, const std::string &bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

bool exists(const std::string &path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void remove_tree(const std::string &path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        remove_unix_symbolic_link(path); // the link only, not what it points to
        return;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(path.c_str());
        return;
    }
    WIN32_FIND_DATAA found;
    const HANDLE search = ::FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name != "." && name != "..") remove_tree(path + "\\" + name);
        } while (::FindNextFileA(search, &found));
        ::FindClose(search);
    }
    ::RemoveDirectoryA(path.c_str());
}

std::string scratch_directory(const std::string &name) {
    char temp[MAX_PATH + 1] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string path = std::string(temp) + "instal-tests\\" + name;
    ::CreateDirectoryA((std::string(temp) + "instal-tests").c_str(), nullptr);
    remove_tree(path);
    ::CreateDirectoryA(path.c_str(), nullptr);
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
    std::wstring wide(path.begin(), path.end());
    char *unix_path = convert(wide.c_str());
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
           run_unix({"/bin/ln", "-s", unix_target, unix_link}) &&
           ::GetFileAttributesA(link.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void remove_unix_symbolic_link(const std::string &link) {
    const std::string unix_link = unix_path_of(link);
    if (!unix_link.empty()) run_unix({"/bin/rm", "-f", unix_link});
}

std::string access_list_of(const std::string &path) {
    DWORD size = 0;
    ::GetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
    std::vector<BYTE> buffer(size ? size : 1);
    if (!::GetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, buffer.data(), size, &size))
        return "(cannot read: " + std::to_string(::GetLastError()) + ")";
    return access_list_text(buffer.data());
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

} // namespace testing_support
