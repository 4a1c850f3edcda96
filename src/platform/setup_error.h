#pragma once
// The one exception type of the program: it carries the text that the
// standard error box shows. Not derived from the standard library's
// exceptions, whose texts live in strings of the library's own.
#include "text.h"

namespace platform {

class SetupError {
public:
    explicit SetupError(Text message) : message_(std::move(message)) {}
    const wchar_t *what() const noexcept { return message_.c_str(); }

private:
    Text message_;
};

// Replaces the first "%s" of pattern with argument.
Text format_message(const wchar_t *pattern, const Text &argument);

[[noreturn]] void raise_error(const Text &message);

} // namespace platform
