#pragma once
// The tests keep their text in UTF-8 std::string; the program and the system
// take UTF-16. These convert at that edge.
#include "platform/text/text.h"
#include <ostream>
#include <string>

namespace testing_support {

std::wstring wide(const std::string &utf8_text);
std::string utf8(const std::wstring &text);
std::string utf8(const wchar_t *text);

} // namespace testing_support

// The program's text beside the tests' own, in assertions and their messages.
namespace platform {
inline bool operator==(const Text &text, const std::string &utf8_text) {
    return testing_support::utf8(text.c_str()) == utf8_text;
}
inline bool operator==(const Text &text, const char *utf8_text) {
    return text == std::string(utf8_text);
}
inline void PrintTo(const Text &text, std::ostream *out) {
    *out << '"' << testing_support::utf8(text.c_str()) << '"';
}
} // namespace platform
