#pragma once
// A key's values as they were before a change that may be given back: put
// back as they were when the object goes, unless the change was kept. A key
// that was missing goes again, with whatever was put under it.
#include <windows.h>
#include "platform/buffer.h"
#include "platform/text/text.h"

namespace platform {

class RegistrySnapshot {
public:
    RegistrySnapshot(HKEY root, const wchar_t *path);
    ~RegistrySnapshot();
    RegistrySnapshot(const RegistrySnapshot &) = delete;
    RegistrySnapshot &operator=(const RegistrySnapshot &) = delete;

    void keep() { kept_ = true; }

private:
    HKEY root_;
    Text path_;
    bool existed_ = false;
    bool kept_ = false;
    // Each value: its name's length, type and size, then name and data.
    Buffer<unsigned char> values_;
};

} // namespace platform
