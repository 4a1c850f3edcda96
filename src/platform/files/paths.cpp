#include "paths.h"
#include "platform/owners.h"
#include <windows.h>
#include <cwchar>

namespace platform {

Text directory_part(const Text &path) {
    const auto at = path.find_last_of(L"\\:");
    return at == Text::npos ? Text() : path.substr(0, at + 1);
}

Text trim(const Text &text) {
    const auto is_blank = [](wchar_t c) { return c <= 32; };
    std::size_t begin = 0, end = text.size();
    while (begin < end && is_blank(text[begin]))
        ++begin;
    while (end > begin && is_blank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

Text ascii_lower(const Text &text) {
    Text lower = text;
    for (std::size_t i = 0; i < lower.size(); ++i)
        if (lower[i] >= 'A' && lower[i] <= 'Z')
            lower[i] = static_cast<wchar_t>(lower[i] - 'A' + 'a');
    return lower;
}

bool is_full_path(const Text &path) {
    const auto is_letter = [](wchar_t c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    };
    if (path.size() >= 3 && is_letter(path[0]) && path[1] == ':' && path[2] == '\\') return true;
    if (path.size() < 2 || path[0] != '\\' || path[1] != '\\') return false;
    const auto server_end = path.find('\\', 2);
    if (server_end == Text::npos || server_end == 2) return false;
    // "\\?\" and "\\.\" name the system's devices and objects, no server.
    if (server_end == 3 && (path[2] == '?' || path[2] == '.')) return false;
    const auto share_end = path.find('\\', server_end + 1);
    return share_end != Text::npos && share_end > server_end + 1;
}

Text canonical_directory(Text path) {
    for (std::size_t i = 0; i < path.size(); ++i)
        if (path[i] == L'/') path[i] = L'\\';
    if (path.empty() || path.back() != L'\\') path += L'\\';
    if (!is_full_path(path)) return {};
    // Resolving a full path never makes it longer.
    Text full;
    full.resize(path.size() + 1);
    const DWORD length =
        ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0 || length >= full.size()) return {};
    // The system cuts the last name only. Cut from every name after the
    // drive or share (a server's and a share's names are the network's), a
    // name of nothing else (". .") going whole, as "." would.
    const std::size_t root = full[1] == L':' ? 2 : full.find(L'\\', full.find(L'\\', 2) + 1);
    wchar_t *out = path.data();
    for (DWORD i = 0; i < length; ++i) {
        if (full[i] == L'\\' && i > root) {
            while (out[-1] == L'.' || out[-1] == L' ')
                --out;
            if (out[-1] == L'\\') continue;
        }
        *out++ = full[i];
    }
    path.resize(static_cast<std::size_t>(out - path.data()));
    return path;
}

bool is_acceptable_path(const Text &path) {
    std::size_t dots = 0, name_length = 0;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        const wchar_t c = i < path.size() ? path[i] : L'\\';
        if (c == L'\\' || c == L'/') {
            if (dots == name_length && dots > 2) return false;
            dots = name_length = 0;
            continue;
        }
        ++name_length;
        if (c == L'.') ++dots;
        if (c < 32 || std::wcschr(L"<>\"|?*", c) || (c == L':' && i != 1)) return false;
        const bool high = c >= 0xD800 && c <= 0xDBFF, low = c >= 0xDC00 && c <= 0xDFFF;
        const wchar_t next = i + 1 < path.size() ? path[i + 1] : 0;
        if (low) return false; // a low half is taken with its high half below
        if (high) {
            if (next < 0xDC00 || next > 0xDFFF) return false;
            ++i, ++name_length;
        }
    }
    return true;
}

Text full_path(const Text &path) {
    Text buffer;
    buffer.resize(::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr));
    const DWORD length =
        ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    return length && length < buffer.size() ? buffer.substr(0, length) : path;
}

Text long_path(const Text &path) {
    // Only the names with a tilde can be short ones; the others stay as
    // they are written.
    Text expanded;
    for (std::size_t start = 0; start < path.size();) {
        std::size_t end = path.find(L'\\', start);
        if (end == Text::npos) end = path.size();
        const Text name = path.substr(start, end - start);
        WIN32_FIND_DATAW found;
        if (name.find(L'~') != Text::npos && start > 0) {
            const FindHandle search(::FindFirstFileW((expanded + name).c_str(), &found));
            if (!search.valid()) return path;
            expanded += found.cFileName;
        } else {
            expanded += name;
        }
        if (end < path.size()) expanded += L'\\';
        start = end + 1;
    }
    return expanded;
}

Text module_path() {
    // The system cuts the path to the buffer without saying so but by
    // filling it: a longer path is asked for again with more room.
    Text buffer;
    buffer.resize(MAX_PATH + 1);
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length < buffer.size()) return buffer.substr(0, length);
        buffer.resize(buffer.size() * 2);
    }
}

namespace {
// Asked with no room, the system tells the size it needs, zero included.
Text system_folder(UINT(WINAPI *query)(LPWSTR, UINT)) {
    Text buffer;
    buffer.resize(query(nullptr, 0));
    if (buffer.empty()) return buffer;
    const UINT length = query(buffer.data(), static_cast<UINT>(buffer.size()));
    return buffer.substr(0, length < buffer.size() ? length : 0);
}
} // namespace

Text system_directory() {
    return system_folder(::GetSystemDirectoryW);
}

Text windows_directory() {
    return system_folder(::GetSystemWindowsDirectoryW);
}

} // namespace platform
