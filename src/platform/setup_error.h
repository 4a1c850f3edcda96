#pragma once
// The one exception type of the program: it carries the text that the
// standard error box shows. Not derived from the standard library's
// exceptions, whose texts live in strings of the library's own.
#include <windows.h>
#include "platform/text/text.h"

namespace platform {

class SetupError {
public:
    // code: the system's error code behind the failure, 0 when none.
    explicit SetupError(Text message, DWORD code = 0) : message_(std::move(message)), code_(code) {}
    const wchar_t *what() const noexcept { return message_.c_str(); }
    DWORD code() const noexcept { return code_; }

private:
    Text message_;
    DWORD code_;
};

// Replaces the first "%s" of pattern with argument.
Text format_message(const wchar_t *pattern, const Text &argument);

[[noreturn]] void raise_error(const Text &message, DWORD code = 0);

// An error as the program reports it, in the standard error box or in the
// log of a run without windows: the message with a full stop added when
// its last UTF-16 unit, taken whole, sorts after '.'.
Text error_box_text(const Text &message);

} // namespace platform
