#pragma once
// The one exception type of the program: it carries the text that the
// standard error box shows.
#include <stdexcept>
#include <string>

namespace platform {

class SetupError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Replaces the first "%s" of pattern with argument.
std::string format_message(const std::string &pattern, const std::string &argument);

[[noreturn]] void raise_error(const std::string &message);

} // namespace platform
