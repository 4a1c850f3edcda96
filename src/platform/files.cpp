#include "files.h"
#include "owners.h"
#include "paths.h"
#include "security.h"
#include "setup_error.h"

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

bool leads_elsewhere(const BY_HANDLE_FILE_INFORMATION &info) {
    return (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || info.nNumberOfLinks > 1;
}

// An existing target is opened without being truncated, checked through
// the very handle that will write it, and only then emptied; a missing one
// is made new, which fails if something took its name meanwhile.
UniqueHandle open_for_replacing(const Text &path) {
    // A refusal of our own has no system error code to report.
    ::SetLastError(ERROR_SUCCESS);
    if (is_reparse_point(path)) return {};
    UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) {
        if (::GetLastError() != ERROR_FILE_NOT_FOUND) return {};
        return UniqueHandle(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                          CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(file.get(), &info) || leads_elsewhere(info) ||
        !::SetEndOfFile(file.get()))
        return {};
    return file;
}

} // namespace

bool directory_exists(const Text &path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool file_exists(const Text &path) {
    WIN32_FIND_DATAW found;
    const FindHandle search(::FindFirstFileW(path.c_str(), &found));
    return search.valid() && !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool force_directories(Text path) {
    if (path.empty()) return false;
    if (path.back() == '\\') path.pop_back();
    const Text parent = directory_part(path);
    if (path.size() < 3 || directory_exists(path) || parent == path) return true;
    // Made where any user may write (a drive's root), the folder would
    // inherit that; what setup leaves in it is later run as administrator.
    return force_directories(parent) && create_protected_directory(path);
}

void write_file(const Text &path, const void *bytes, DWORD size) {
    const UniqueHandle file = open_for_replacing(path);
    // The code is taken before the message is made, which may call the system.
    if (!file) {
        const DWORD error = ::GetLastError();
        raise_error(format_message(L"Cannot create file %s", path), error);
    }
    if (size == 0) return;
    DWORD written = 0;
    if (!::WriteFile(file.get(), bytes, size, &written, nullptr))
        raise_error(L"Stream write error", ::GetLastError());
    if (written != size) raise_error(L"Stream write error");
}

bool is_reparse_point(const Text &path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool leads_elsewhere(const Text &path) {
    if (is_reparse_point(path)) return true;
    const UniqueHandle entry = open_entry(path);
    BY_HANDLE_FILE_INFORMATION info;
    return entry && ::GetFileInformationByHandle(entry.get(), &info) && leads_elsewhere(info);
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
