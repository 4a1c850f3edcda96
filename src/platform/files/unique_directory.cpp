#include "unique_directory.h"
#include "platform/dll_function.h"
#include "platform/security/security.h"
#include "platform/setup_error.h"
#include "platform/text/text_file.h"
#include <windows.h>

namespace platform {

Text random_name() {
    // advapi32 forwards it to cryptbase.dll, which is no known DLL: looked
    // up once the DLL search is restricted, not imported.
    using GenerateRandom = BOOLEAN(WINAPI *)(void *, ULONG);
    const auto generate =
        dll_function<GenerateRandom>(::GetModuleHandleW(L"advapi32.dll"), "SystemFunction036");
    unsigned char bytes[8] = {};
    if (!generate || !generate(bytes, sizeof bytes)) raise_error(io_error_text(::GetLastError()));
    static const wchar_t kDigits[] = L"0123456789abcdef";
    Text name;
    for (unsigned char byte : bytes) {
        name += kDigits[byte >> 4];
        name += kDigits[byte & 15];
    }
    return name;
}

Text create_unique_protected_directory(const Text &parent) {
    // A folder of that name already there, whoever made it, is never used:
    // another name is drawn.
    for (int attempt = 0;; ++attempt) {
        const Text path = joined({parent.c_str(), L"\\", random_name().c_str()});
        if (create_protected_directory(path)) return path;
        const DWORD error = ::GetLastError();
        if (error != ERROR_ALREADY_EXISTS || attempt == 15)
            raise_error(io_error_text(error), error);
    }
}

} // namespace platform
