// Every test program starts the application object once, as the setup
// program does, with COM on its GUI thread.
#include "platform/owners.h"
#include "window/application.h"
#include "window/common_controls.h"
#include <commctrl.h>
#include <gtest/gtest.h>
#include <memory>

namespace {
class ApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        com_ = std::make_unique<platform::ComApartment>(true);
        common_controls_ = ui::load_common_controls(ICC_PROGRESS_CLASS);
        ui::Application::get().initialize(::GetModuleHandleA(nullptr));
    }
    void TearDown() override { com_.reset(); }

private:
    std::unique_ptr<platform::ComApartment> com_;
    platform::LoadedModule common_controls_;
};

const auto *const registered =
    ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment); // gtest owns it
} // namespace
