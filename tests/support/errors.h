#pragma once
// What the program's own error type says when an action raises it.
#include <functional>
#include <string>

namespace testing_support {

// The error's message; "(no error)" when the action raises none.
std::string error_of(const std::function<void()> &action);

} // namespace testing_support
