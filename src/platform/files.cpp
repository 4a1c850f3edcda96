#include "files.h"
#include "owners.h"
#include "paths.h"
#include "setup_error.h"

namespace platform {

bool directory_exists(const Text &path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool file_exists(const Text &path) {
    WIN32_FIND_DATAA found;
    const FindHandle search(::FindFirstFileA(path.c_str(), &found));
    return search.valid() && !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool force_directories(Text path) {
    if (path.empty()) return false;
    if (path.back() == '\\') path.pop_back();
    const Text parent = directory_part(path);
    if (path.size() < 3 || directory_exists(path) || parent == path) return true;
    return force_directories(parent) && ::CreateDirectoryA(path.c_str(), nullptr);
}

void write_file(const Text &path, const void *bytes, DWORD size) {
    const UniqueHandle file(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) raise_error(format_message("Cannot create file %s", path));
    if (size == 0) return;
    DWORD written = 0;
    if (!::WriteFile(file.get(), bytes, size, &written, nullptr) || written != size)
        raise_error("Stream write error");
}

} // namespace platform
