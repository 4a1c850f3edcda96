#include "setup_error.h"

namespace platform {

Text format_message(const wchar_t *pattern, const Text &argument) {
    const Text text = pattern;
    const auto at = text.find(L"%s");
    if (at == Text::npos) return text;
    return joined({text.substr(0, at).c_str(), argument.c_str(), pattern + at + 2});
}

void raise_error(const Text &message, DWORD code) {
    throw SetupError(message, code);
}

Text error_box_text(const Text &message) {
    if (!message.empty() && message.back() > L'.') return message + L".";
    return message;
}

} // namespace platform
