#include "unique_directory.h"
#include "security.h"
#include "setup_error.h"
#include "text_file.h"
#include <windows.h>
#include <ntsecapi.h>

namespace platform {

namespace {

// 64 bits from the system's cryptographic generator, as 16 hex digits.
std::string random_name() {
    unsigned char bytes[8] = {};
    if (!::RtlGenRandom(bytes, sizeof bytes)) raise_error(io_error_text(::GetLastError()));
    static const char kDigits[] = "0123456789abcdef";
    std::string name;
    for (unsigned char byte : bytes) {
        name += kDigits[byte >> 4];
        name += kDigits[byte & 15];
    }
    return name;
}

} // namespace

std::string create_unique_protected_directory(const std::string &parent) {
    // A folder of that name already there, whoever made it, is never used:
    // another name is drawn.
    for (int attempt = 0;; ++attempt) {
        const std::string path = parent + "\\" + random_name();
        if (create_protected_directory(path)) return path;
        const DWORD error = ::GetLastError();
        if (error != ERROR_ALREADY_EXISTS || attempt == 15) raise_error(io_error_text(error));
    }
}

} // namespace platform
