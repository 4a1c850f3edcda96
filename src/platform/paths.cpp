#include "paths.h"
#include <windows.h>
#include <vector>

namespace platform {

std::string directory_part(const std::string &path) {
    const auto at = path.find_last_of("\\:");
    return at == std::string::npos ? std::string() : path.substr(0, at + 1);
}

std::string trim(const std::string &text) {
    const auto is_blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    std::size_t begin = 0, end = text.size();
    while (begin < end && is_blank(text[begin]))
        ++begin;
    while (end > begin && is_blank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

std::string ascii_lower(const std::string &text) {
    std::string lower = text;
    for (auto &c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

bool is_full_path(const std::string &path) {
    const auto is_letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    if (path.size() >= 3 && is_letter(path[0]) && path[1] == ':' && path[2] == '\\') return true;
    if (path.compare(0, 2, "\\\\") != 0) return false;
    const auto server_end = path.find('\\', 2);
    if (server_end == std::string::npos || server_end == 2) return false;
    const auto share_end = path.find('\\', server_end + 1);
    return share_end != std::string::npos && share_end > server_end + 1;
}

std::string module_path() {
    std::vector<char> buffer(MAX_PATH + 1);
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length < buffer.size()) return std::string(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

std::string system_directory() {
    char path[MAX_PATH + 1] = {};
    const UINT length = ::GetSystemDirectoryA(path, MAX_PATH);
    return std::string(path, length <= MAX_PATH ? length : 0);
}

std::string windows_directory() {
    char path[MAX_PATH + 1] = {};
    const UINT length = ::GetWindowsDirectoryA(path, MAX_PATH);
    return std::string(path, length <= MAX_PATH ? length : 0);
}

} // namespace platform
