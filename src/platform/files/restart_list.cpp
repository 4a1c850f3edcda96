#include "restart_list.h"
#include "platform/buffer.h"
#include "platform/files/paths.h"
#include "platform/registry.h"
#include <cwchar>

namespace platform {

namespace {

constexpr wchar_t kSessionManager[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingRenames[] = L"PendingFileRenameOperations";

// Whether name, as the list holds it, is one of the paths: MoveFileEx
// writes the system's own form of a name ("\\??\\", and "!" before a
// replaced one), and may have been given the short form of a path.
bool names_one_of(const wchar_t *name, const Text *paths, std::size_t count) {
    if (*name == L'!') ++name;
    if (std::wcsncmp(name, L"\\??\\", 4) == 0) name += 4;
    const Text named = long_path(name);
    for (std::size_t i = 0; i < count; ++i)
        if (::lstrcmpiW(named.c_str(), paths[i].c_str()) == 0) return true;
    return false;
}

} // namespace

void cancel_deletions_at_restart(const Text *paths, std::size_t count) {
    const auto key = RegistryKey::open(HKEY_LOCAL_MACHINE, kSessionManager);
    DWORD type = 0, size = 0;
    if (::RegQueryValueExW(key.get(), kPendingRenames, nullptr, &type, nullptr, &size) ||
        type != REG_MULTI_SZ)
        return;
    Buffer<wchar_t> list; // always followed by a zero, whatever the value holds
    list.resize(size / sizeof(wchar_t));
    if (::RegQueryValueExW(key.get(), kPendingRenames, nullptr, nullptr,
                           reinterpret_cast<BYTE *>(list.data()), &size))
        return;
    const std::size_t end = size / sizeof(wchar_t);
    Buffer<wchar_t> kept;
    for (std::size_t at = 0; at < end;) {
        const wchar_t *const from = list.data() + at;
        const std::size_t from_size = std::wcslen(from) + 1;
        // The list's closing zero, and whatever else is no whole pair, stay;
        // a value whose last name lacks its zero is read no further than
        // the one zero the buffer keeps after it.
        const std::size_t pair_size =
            at + from_size < end ? from_size + std::wcslen(from + from_size) + 1 : end + 1;
        if (at + pair_size > end || !*from) {
            kept.append(from, end - at);
            break;
        }
        // A file moved onto one of them would replace it: that goes too.
        const wchar_t *const to = from + from_size;
        if (!names_one_of(*to ? to : from, paths, count)) kept.append(from, pair_size);
        at += pair_size;
    }
    if (kept.size() == end) return;
    // With no pair left the value goes, as the system removes it once done.
    if (kept.size() <= 1)
        ::RegDeleteValueW(key.get(), kPendingRenames);
    else
        ::RegSetValueExW(key.get(), kPendingRenames, 0, REG_MULTI_SZ,
                         reinterpret_cast<const BYTE *>(kept.data()),
                         static_cast<DWORD>(kept.size() * sizeof(wchar_t)));
}

} // namespace platform
