#include "contiu.h"
#include "../window/application.h"

namespace {
using ui::ControlKind;
using ui::handler;
using ui::kFormBackground;
using ui::kWindowTextColour;

constexpr ui::FormDescription kForm = {
    "Alarm", 197, 226, 283, 138, RGB(221, 221, 221), {"MS Sans Serif", 11, DEFAULT_CHARSET}, false};

const ui::ControlDescription kControls[] = {
    // name      kind                 left top width height text  visible enabled tab
    {"Label1", ControlKind::Label, 8, 8, 46, 13, "ALARM:  ", true, true, -1, nullptr, nullptr,
     kWindowTextColour, kFormBackground},
    {"Label2", ControlKind::Label, 8, 32, 148, 13, "Cick Resume to continue setup", true, true, -1,
     nullptr, nullptr, kWindowTextColour, kFormBackground},
    {"Label3", ControlKind::Label, 16, 72, 125, 13, "Click Exit to stop the setup", true, true, -1,
     nullptr, nullptr, kWindowTextColour, kFormBackground},
    {"Button1", ControlKind::Button, 184, 24, 65, 25, "Resume", true, true, 0,
     handler(&TForm2::Button1Click)},
    {"Button2", ControlKind::Button, 184, 72, 65, 25, "Exit Setup", true, true, 1,
     handler(&TForm2::Button2Click)},
};
} // namespace

TForm2 *Form2 = nullptr;

TForm2::TForm2() : Form(kForm, kControls, std::size(kControls)) {
    Form2 = this;
    create();
    ui::Control **const members[] = {&Label1, &Label2, &Label3, &Button1, &Button2};
    for (std::size_t i = 0; i < std::size(members); ++i)
        *members[i] = controls()[i].get();
    created();
}

void TForm2::FormCreate() {
    // Top before left, from the screen's size; the dialog is never placed again.
    set_top(::GetSystemMetrics(SM_CYSCREEN) / 2 - 70);
    set_left(::GetSystemMetrics(SM_CXSCREEN) / 2 - 135);
}

void TForm2::Button1Click(ui::Control &) {
    close();
}

void TForm2::Button2Click(ui::Control &) {
    ui::Application::get().terminate();
}
