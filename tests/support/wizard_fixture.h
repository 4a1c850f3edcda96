#pragma once
// The program's two windows created in the test process, as start-up
// creates them, with the registry records in a known state.
#include "wizard/contiu.h"
#include "wizard/insta.h"
#include "support/registry_state.h"
#include "window/application.h"
#include <gtest/gtest.h>
#include <memory>

namespace testing_support {

class WizardFixture : public ::testing::Test {
protected:
    void SetUp() override { delete_product_keys(); }
    void TearDown() override {
        close_forms();
        delete_product_keys();
    }

    // Creates Form1 and Form2; FormCreate runs as in the program.
    void create_forms() {
        ui::Application::get().clear_termination();
        main_ = std::make_unique<TForm1>();
        ui::Application::get().set_main_form(main_.get());
        main_->create_waiting_windows(); // as once the first page shows
        dialog_ = std::make_unique<TForm2>();
    }
    void close_forms() {
        dialog_.reset();
        ui::Application::get().set_main_form(nullptr);
        main_.reset();
        ui::Application::get().clear_termination();
    }
    void show() {
        main_->show();
        process();
    }
    static void process() { ui::Application::get().process_messages(); }
    void next() { main_->Button2Click(*main_->Button2); }
    void back() { main_->Button2Click(*main_->Button1); }
    // Sends a key to the focused control through the program's own message handling.
    static void press_key(WPARAM key) {
        ::PostMessageA(::GetFocus(), WM_KEYDOWN, key, 0);
        ::PostMessageA(::GetFocus(), WM_KEYUP, key, static_cast<LPARAM>(0xC0000000u));
        process();
    }

    TForm1 &form() { return *main_; }
    TForm2 &alarm() { return *dialog_; }

private:
    std::unique_ptr<TForm1> main_;
    std::unique_ptr<TForm2> dialog_;
};

} // namespace testing_support
