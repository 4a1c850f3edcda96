#pragma once
// The one exception type of the program: it carries the text that the
// standard error box shows.
#include <exception>
#include <string>

namespace platform {

// Not a std::runtime_error: that one keeps its text in the library's old
// reference-counted string, which brings a second string implementation
// (about 40 KB) into the program.
class SetupError : public std::exception {
public:
    explicit SetupError(std::string message) : message_(std::move(message)) {}
    const char *what() const noexcept override { return message_.c_str(); }

private:
    std::string message_;
};

// Replaces the first "%s" of pattern with argument.
std::string format_message(const std::string &pattern, const std::string &argument);

[[noreturn]] void raise_error(const std::string &message);

} // namespace platform
