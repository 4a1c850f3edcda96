#include "files.h"
#include "platform/buffer.h"
#include "platform/dll_function.h"
#include "platform/owners.h"
#include "paths.h"
#include "platform/security/security.h"
#include "platform/setup_error.h"
#include <winternl.h>
#include <cstring>
#include <utility>

namespace platform {

namespace {

// The entry itself, not what a link in its place points to; nothing else
// is kept from opening it meanwhile.
UniqueHandle open_entry(const Text &path) {
    return UniqueHandle(::CreateFileW(
        path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
        nullptr));
}

// An existing target is opened without being truncated, checked through
// the very handle that will write it, given the protected access list and
// only then emptied; a missing one is made new with that list, which fails
// if something took its name meanwhile.
UniqueHandle open_for_replacing(const Text &path) {
    const LocalMemory descriptor = protected_file_descriptor();
    // A refusal of our own has no system error code to report.
    ::SetLastError(ERROR_SUCCESS);
    if (!descriptor || is_link(path)) return {};
    UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | WRITE_DAC, 0,
                                    nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) {
        if (::GetLastError() != ERROR_FILE_NOT_FOUND) return {};
        SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor.get(), FALSE};
        return UniqueHandle(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                          &attributes, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(file.get(), &info) || info.nNumberOfLinks > 1 ||
        !::SetKernelObjectSecurity(file.get(), DACL_SECURITY_INFORMATION, descriptor.get()) ||
        !::SetEndOfFile(file.get()))
        return {};
    return file;
}

} // namespace

void cannot_create_file(const Text &path, DWORD code) {
    raise_error(format_message(L"Cannot create file %s", path), code);
}

bool directory_exists(const Text &path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool file_exists(const Text &path) {
    WIN32_FIND_DATAW found;
    const FindHandle search(::FindFirstFileW(path.c_str(), &found));
    return search.valid() && !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool query_file_information(HANDLE file, int kind, void *information, DWORD size) {
    // Windows XP has no GetFileInformationByHandleEx; ntdll has had this
    // since Windows 2000.
    using QueryInformationFile = LONG(NTAPI *)(HANDLE, IO_STATUS_BLOCK *, void *, ULONG, int);
    const auto query = dll_function<QueryInformationFile>(::GetModuleHandleW(L"ntdll.dll"),
                                                          "NtQueryInformationFile");
    IO_STATUS_BLOCK status = {};
    return query && query(file, &status, information, size, kind) >= 0;
}

bool opened_as(HANDLE file, HANDLE folder, const Text &name) {
    // Each name within its volume, after the drive: a root's is "\\".
    struct {
        ULONG length;
        WCHAR name[MAX_PATH * 2 + 1]; // the last stays the end of the text
    } names[2] = {};
    BY_HANDLE_FILE_INFORMATION infos[2];
    const HANDLE handles[2] = {file, folder};
    constexpr int kFileNameInformation = 9;
    for (int i = 0; i < 2; ++i)
        if (!query_file_information(handles[i], kFileNameInformation, &names[i],
                                    sizeof names[i] - sizeof(WCHAR)) ||
            !::GetFileInformationByHandle(handles[i], &infos[i]))
            return false;
    Text expected = names[1].name;
    if (expected.back() != L'\\') expected += L'\\';
    expected += name;
    return infos[0].dwVolumeSerialNumber == infos[1].dwVolumeSerialNumber &&
           ::lstrcmpiW(names[0].name, expected.c_str()) == 0;
}

HeldFolders::~HeldFolders() {
    for (HANDLE folder : handles_)
        ::CloseHandle(folder);
}

void HeldFolders::hold(UniqueHandle folder) {
    handles_.push_back(folder.release());
}

namespace {

// The folder's own attributes and reparse tag, through its handle.
bool attribute_tag(HANDLE file, DWORD &attributes, DWORD &tag) {
    constexpr int kFileAttributeTagInformation = 35;
    DWORD information[2] = {};
    if (!query_file_information(file, kFileAttributeTagInformation, information,
                                sizeof information))
        return false;
    attributes = information[0];
    tag = information[1];
    return true;
}

// Opens one folder on the way and judges it through that handle: 0, or why not.
DWORD check_folder(const Text &folder, void *trusted_user, DWORD rights, HeldFolders &held) {
    // Sharing everything but deletion: from here on nobody can rename it
    // away, remove it or put a link in its place.
    UniqueHandle handle(::CreateFileW(folder.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                                      nullptr));
    if (!handle) {
        const DWORD error = ::GetLastError();
        return error ? error : ERROR_PATH_NOT_FOUND;
    }
    DWORD attributes = 0, tag = 0;
    if (!attribute_tag(handle.get(), attributes, tag)) return ERROR_ACCESS_DENIED;
    // A file in the folder's place, which is why the folder cannot be made.
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return ERROR_ALREADY_EXISTS;
    // Wine opens what a Unix link points to and tells no tag through the
    // handle; by its name, now pinned by the handle, it is still seen.
    if (redirects_name(attributes, tag) || is_link(folder)) return kErrorLinkOnTheWay;
    if (rights && !only_trusted_may_on(handle.get(), trusted_user, rights))
        return ERROR_ACCESS_DENIED;
    held.hold(std::move(handle));
    return 0;
}

} // namespace

DWORD judged_rights(bool root, bool last) {
    // A root cannot be renamed or removed, whatever its list says.
    return (last ? kChangeRights : kMoveRights) & (root ? ~static_cast<DWORD>(DELETE) : ~0ul);
}

DWORD force_directories(Text path, void *trusted_user, HeldFolders &held) {
    return hold_directories(path, trusted_user, true, held, true);
}

DWORD hold_directories(Text path, void *trusted_user, bool judge, HeldFolders &held, bool make) {
    for (std::size_t i = 0; i < path.size(); ++i)
        if (path[i] == L'/') path[i] = L'\\';
    if (path.empty() || path.back() != L'\\') path += L'\\';
    if (!is_full_path(path)) return ERROR_BAD_PATHNAME;
    // The root ends at the backslash after the drive, or after the share.
    const std::size_t root = path[1] == L':' ? 2 : path.find(L'\\', path.find(L'\\', 2) + 1);
    for (std::size_t end = root; end != Text::npos; end = path.find(L'\\', end + 1)) {
        const Text folder = path.substr(0, end == root ? end + 1 : end);
        // Made where any user may write (a drive's root), the folder would
        // inherit that; what setup leaves in it is later run as
        // administrator. Whoever made the folder first, it is judged below.
        if (make && end != root) create_protected_directory(folder);
        const DWORD rights = judge ? judged_rights(end == root, end + 1 == path.size()) : 0;
        if (const DWORD refused = check_folder(folder, trusted_user, rights, held)) return refused;
    }
    return 0;
}

namespace {

UniqueHandle open_or_raise(const Text &path) {
    UniqueHandle file = open_for_replacing(path);
    // The code is taken before the message is made, which may call the system.
    if (!file) cannot_create_file(path, ::GetLastError());
    return file;
}

void write_or_raise(HANDLE file, const void *bytes, DWORD size) {
    DWORD written = 0;
    if (!::WriteFile(file, bytes, size, &written, nullptr))
        raise_error(L"Stream write error", ::GetLastError());
    if (written != size) raise_error(L"Stream write error");
}

} // namespace

void write_file(const Text &path, const void *bytes, DWORD size) {
    const UniqueHandle file = open_or_raise(path);
    if (size) write_or_raise(file.get(), bytes, size);
}

UniqueHandle create_in_folder(HANDLE folder, const Text &name, DWORD access, bool &made) {
    using NtCreateFileFunction =
        LONG(NTAPI *)(HANDLE *, ACCESS_MASK, OBJECT_ATTRIBUTES *, IO_STATUS_BLOCK *,
                      LARGE_INTEGER *, ULONG, ULONG, ULONG, ULONG, void *, ULONG);
    using StatusToError = ULONG(NTAPI *)(LONG);
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    const auto create = dll_function<NtCreateFileFunction>(ntdll, "NtCreateFile");
    const auto error_of = dll_function<StatusToError>(ntdll, "RtlNtStatusToDosError");
    const USHORT bytes = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    UNICODE_STRING object_name = {bytes, bytes, const_cast<wchar_t *>(name.c_str())};
    OBJECT_ATTRIBUTES attributes = {sizeof attributes,    folder,  &object_name,
                                    OBJ_CASE_INSENSITIVE, nullptr, nullptr};
    IO_STATUS_BLOCK status = {};
    HANDLE file = nullptr;
    // Values of the driver kit's headers: FILE_OPEN_IF; FILE_NON_DIRECTORY_FILE,
    // FILE_SYNCHRONOUS_IO_NONALERT and FILE_OPEN_REPARSE_POINT; FILE_CREATED.
    const LONG result =
        create && error_of
            ? create(&file, access | SYNCHRONIZE, &attributes, &status, nullptr,
                     FILE_ATTRIBUTE_NORMAL, FILE_SHARE_READ, 3, 0x40 | 0x20 | 0x200000, nullptr, 0)
            : -1;
    if (result < 0) {
        ::SetLastError(create && error_of ? error_of(result) : ERROR_INVALID_FUNCTION);
        return {};
    }
    made = status.Information == 2;
    return UniqueHandle(file);
}

namespace {

// NtSetInformationFile, by kind: false, with the system's code, where it fails.
bool set_file_information(HANDLE file, int kind, void *information, ULONG size) {
    using SetInformationFile = LONG(NTAPI *)(HANDLE, IO_STATUS_BLOCK *, void *, ULONG, int);
    using StatusToError = ULONG(NTAPI *)(LONG);
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    const auto set = dll_function<SetInformationFile>(ntdll, "NtSetInformationFile");
    const auto error_of = dll_function<StatusToError>(ntdll, "RtlNtStatusToDosError");
    IO_STATUS_BLOCK status = {};
    const LONG result = set && error_of ? set(file, &status, information, size, kind) : -1;
    if (result >= 0) return true;
    ::SetLastError(set && error_of ? error_of(result) : ERROR_INVALID_FUNCTION);
    return false;
}

} // namespace

bool delete_open_file(HANDLE file, bool go) {
    BOOLEAN delete_it = go;
    constexpr int kFileDispositionInformation = 13;
    return set_file_information(file, kFileDispositionInformation, &delete_it, sizeof delete_it);
}

UniqueHandle open_held(const Text &path, DWORD access) {
    return UniqueHandle(::CreateFileW(path.c_str(), access, 0, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

bool rename_open_file(HANDLE file, const Text &path, bool replace) {
    // FILE_RENAME_INFORMATION, with the name in the system's own form.
    struct Rename {
        BOOLEAN replace_if_exists;
        HANDLE root;
        ULONG name_bytes;
        wchar_t name[1];
    };
    const Text name = L"\\??\\" + path;
    Buffer<unsigned char> information;
    information.resize(sizeof(Rename) + name.size() * sizeof(wchar_t));
    auto &rename = *reinterpret_cast<Rename *>(information.data());
    rename.replace_if_exists = replace;
    rename.root = nullptr;
    rename.name_bytes = static_cast<ULONG>(name.size() * sizeof(wchar_t));
    std::memcpy(rename.name, name.c_str(), rename.name_bytes);
    constexpr int kFileRenameInformation = 10;
    return set_file_information(file, kFileRenameInformation, information.data(),
                                static_cast<ULONG>(information.size()));
}

void clear_read_only(HANDLE file) {
    // FILE_BASIC_INFORMATION: four times (none set: unchanged), then the attributes.
    struct {
        LARGE_INTEGER times[4];
        ULONG attributes;
    } basic = {};
    constexpr int kFileBasicInformation = 4;
    if (!query_file_information(file, kFileBasicInformation, &basic, sizeof basic) ||
        !(basic.attributes & FILE_ATTRIBUTE_READONLY))
        return;
    basic = {{}, basic.attributes & ~FILE_ATTRIBUTE_READONLY};
    if (!basic.attributes) basic.attributes = FILE_ATTRIBUTE_NORMAL;
    set_file_information(file, kFileBasicInformation, &basic, sizeof basic);
}

bool redirects_name(DWORD attributes, DWORD tag) {
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
           (tag == 0 || IsReparseTagNameSurrogate(tag));
}

bool is_link(Text path) {
    if (path.size() > 3 && path.back() == L'\\') path.pop_back();
    WIN32_FIND_DATAW found;
    const FindHandle search(::FindFirstFileW(path.c_str(), &found));
    return search.valid() && redirects_name(found.dwFileAttributes, found.dwReserved0);
}

bool path_has_link(const Text &path) {
    for (std::size_t end = path.find(L'\\', 3);; end = path.find(L'\\', end + 1)) {
        if (is_link(path.substr(0, end))) return true;
        if (end == Text::npos) return false;
    }
}

bool leads_elsewhere(const Text &path) {
    if (is_link(path)) return true;
    const UniqueHandle entry = open_entry(path);
    BY_HANDLE_FILE_INFORMATION info;
    return entry && ::GetFileInformationByHandle(entry.get(), &info) && info.nNumberOfLinks > 1;
}

bool same_file(const Text &first, const Text &second) {
    const auto identify = [](const Text &path, BY_HANDLE_FILE_INFORMATION &info) {
        const UniqueHandle file(
            ::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, 0, nullptr));
        return file && ::GetFileInformationByHandle(file.get(), &info);
    };
    BY_HANDLE_FILE_INFORMATION a, b;
    return identify(first, a) && identify(second, b) &&
           a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}

void clear_read_only(const Text &path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        ::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
}

} // namespace platform
