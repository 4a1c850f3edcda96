#include "contiu.h"
#include "window/application.h"
#include <iterator>

namespace {
using ui::ControlKind;
using ui::handler;
using ui::kFormBackground;
using ui::kWindowTextColour;

constexpr ui::FormDescription kForm = {
    L"Alarm", 197, 226, 283, 138, RGB(221, 221, 221), {L"MS Sans Serif", 11, DEFAULT_CHARSET},
    false};

// The tables are not const only to lie in the program's writable data, whose
// page in the file has room for them; read-only data would need another.
// The texts are static texts, windows that screen readers find.
ui::ControlDescription kControls[] = {
    // name      kind                 left top width height text  visible enabled tab
    {"Label1", ControlKind::StaticText, 8, 8, 46, 13, L"ALARM:  ", true, true, -1, nullptr, nullptr,
     kWindowTextColour, kFormBackground},
    {"Label2", ControlKind::StaticText, 8, 32, 148, 13, L"Cick Resume to continue setup", true,
     true, -1, nullptr, nullptr, kWindowTextColour, kFormBackground},
    {"Label3", ControlKind::StaticText, 16, 72, 125, 13, L"Click Exit to stop the setup", true,
     true, -1, nullptr, nullptr, kWindowTextColour, kFormBackground},
    {"Button1", ControlKind::Button, 184, 24, 65, 25, L"Resume", true, true, 0,
     handler<&TForm2::Button1Click>},
    {"Button2", ControlKind::Button, 184, 72, 65, 25, L"Exit Setup", true, true, 1,
     handler<&TForm2::Button2Click>},
};

// The dialog's members, bound to the controls of the same name.
struct {
    ui::Control *TForm2::*member;
    const char *name;
} kMembers[] = {
    {&TForm2::Label1, "Label1"},   {&TForm2::Label2, "Label2"},   {&TForm2::Label3, "Label3"},
    {&TForm2::Button1, "Button1"}, {&TForm2::Button2, "Button2"},
};
} // namespace

TForm2 *Form2 = nullptr;

TForm2::TForm2() : Form(kForm, kControls, std::size(kControls)) {
    Form2 = this;
    create();
    for (const auto &binding : kMembers)
        this->*binding.member = &control(binding.name);
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
