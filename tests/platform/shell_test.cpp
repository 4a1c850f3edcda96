// The shell helpers' texts.
#include "platform/shell.h"
#include "support/text.h"
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

TEST(Shell, OleErrorsWithoutSystemTextShowTheirCode) {
    EXPECT_EQ(platform::ole_error_text(static_cast<HRESULT>(0x8FFF1234)), L"OLE error 8fff1234");
}

} // namespace
