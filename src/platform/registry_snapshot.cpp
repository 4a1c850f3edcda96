#include "registry_snapshot.h"
#include "platform/owners.h"
#include "platform/registry.h"
#include <cstring>
#include <cwchar>

namespace platform {

namespace {

struct ValueHeader {
    DWORD name_chars, type, size;
};

// Every value of key, with a name of at most name_room and data of at most
// data_room characters and bytes, given to each(name, type, data, size).
template <typename Each> void for_each_value(HKEY key, Each each) {
    DWORD name_room = 0, data_room = 0;
    if (::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                           &name_room, &data_room, nullptr, nullptr))
        return;
    Text name;
    name.resize(name_room + 1);
    Buffer<unsigned char> data;
    data.resize(data_room + 1);
    for (DWORD index = 0;; ++index) {
        DWORD name_chars = name_room + 1, type = 0, size = data_room + 1;
        if (::RegEnumValueW(key, index, name.data(), &name_chars, nullptr, &type, data.data(),
                            &size))
            return;
        each(name.c_str(), name_chars, type, data.data(), size);
    }
}

} // namespace

RegistrySnapshot::RegistrySnapshot(HKEY root, const wchar_t *path) : root_(root), path_(path) {
    HKEY opened = nullptr;
    const LONG error = ::RegOpenKeyExW(root, path, 0, KEY_READ, &opened);
    const UniqueKey key(error ? nullptr : opened);
    existed_ = error != ERROR_FILE_NOT_FOUND;
    // One that cannot be read cannot be put back either.
    if (error) {
        kept_ = existed_;
        return;
    }
    for_each_value(key.get(), [this](const wchar_t *name, DWORD name_chars, DWORD type,
                                     const unsigned char *data, DWORD size) {
        const ValueHeader header = {name_chars, type, size};
        values_.append(reinterpret_cast<const unsigned char *>(&header), sizeof header);
        values_.append(reinterpret_cast<const unsigned char *>(name), name_chars * sizeof *name);
        values_.append(data, size);
    });
}

RegistrySnapshot::~RegistrySnapshot() {
    if (kept_) return;
    if (!existed_) {
        delete_key_tree(root_, path_);
        return;
    }
    const auto key = RegistryKey::open(root_, path_.c_str());
    if (!key.is_open()) return;
    // The names first, then the deletions: deleting shifts the enumeration.
    Buffer<unsigned char> written;
    for_each_value(key.get(), [&written](const wchar_t *name, DWORD name_chars, DWORD,
                                         const unsigned char *, DWORD) {
        written.append(reinterpret_cast<const unsigned char *>(name), name_chars * sizeof *name);
        written.push_back(0);
        written.push_back(0);
    });
    for (std::size_t at = 0; at < written.size();) {
        const auto *name = reinterpret_cast<const wchar_t *>(written.data() + at);
        ::RegDeleteValueW(key.get(), name);
        at += (std::wcslen(name) + 1) * sizeof(wchar_t);
    }
    for (std::size_t at = 0; at < values_.size();) {
        ValueHeader header;
        std::memcpy(&header, values_.data() + at, sizeof header);
        at += sizeof header;
        const Text name(reinterpret_cast<const wchar_t *>(values_.data() + at), header.name_chars);
        at += header.name_chars * sizeof(wchar_t);
        ::RegSetValueExW(key.get(), name.c_str(), 0, header.type, values_.data() + at, header.size);
        at += header.size;
    }
}

} // namespace platform
