#include "setup_error.h"

namespace platform {

std::string format_message(const std::string &pattern, const std::string &argument) {
    std::string text = pattern;
    const auto at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, argument);
    return text;
}

void raise_error(const std::string &message) {
    throw SetupError(message);
}

} // namespace platform
