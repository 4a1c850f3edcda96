#include "errors.h"
#include "platform/setup_error.h"
#include "text.h"

namespace testing_support {

std::string error_of(const std::function<void()> &action) {
    try {
        action();
    } catch (const platform::SetupError &error) {
        return utf8(error.what());
    }
    return "(no error)";
}

} // namespace testing_support
