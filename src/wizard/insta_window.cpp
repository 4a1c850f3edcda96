// The main window as designed: the licence page as the user first sees it.
#include "platform/resources.h"
#include "platform/shell.h"
#include "platform/startup_probe.h"
#include "window/application.h"
#include <iterator>
#include "insta.h"
#include "setup/installation.h"
#include "product/manifest.h"

namespace {
using ui::ControlKind;
using ui::handler;
using ui::kFormBackground;
using ui::kNoBackground;
using ui::kWindowTextColour;

constexpr ui::FontDescription kWindowFont = {L"MS Sans Serif", 11, DEFAULT_CHARSET};
constexpr ui::FontDescription kRadioFont = {L"MS Sans Serif", 11, DEFAULT_CHARSET};
constexpr ui::FontDescription kStatusFont = {L"MS Sans Serif", 13, DEFAULT_CHARSET};
constexpr ui::FontDescription kLicenceFont = {L"Verdana", 13, ANSI_CHARSET};
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kMarkGrey = RGB(160, 160, 164);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kOrange = RGB(255, 147, 38);

constexpr ui::FormDescription kForm = {manifest::kWindowCaption, 341,         197, 514, 367,
                                       RGB(221, 221, 221),       kWindowFont, true};

// Labels, pictures and bevels are painted in this order beneath the child
// windows; tab order runs through the child windows. The status line and the
// page text are static texts, windows that screen readers find; the page
// text names the path box. The maker's mark is decoration, painted.
// The tables are not const only to lie in the program's writable data, whose
// page in the file has room for them; read-only data would need another.
ui::ControlDescription kControls[] = {
    // name      kind                      left top  width height text  visible enabled tab
    {"Image1", ControlKind::JpegPicture, 0, 0, 513, 73, L"BANNER", true, true, -1},
    {"Bevel1", ControlKind::Bevel, 72, 323, 433, 2, nullptr, true, true, -1},
    {"Label1", ControlKind::StaticText, 64, 168, 3, 16, L"", true, true, -1, nullptr, &kStatusFont,
     kWindowTextColour, kFormBackground},
    {"Image2", ControlKind::IconPicture, 40, 96, 41, 41, L"#101", true, true, -1},
    {"Label2", ControlKind::StaticText, 104, 104, 41, 16, L"Label2", false, true, -1, nullptr,
     &kStatusFont, kWindowTextColour, kFormBackground, "Edit1"},
    {"Label3", ControlKind::Label, 24, 319, 42, 13, L"KESTRA", true, true, -1, nullptr, nullptr,
     kWhite, kNoBackground},
    {"Label4", ControlKind::Label, 23, 319, 42, 13, L"KESTRA", true, true, -1, nullptr, nullptr,
     kMarkGrey, kNoBackground},
    {"Image3", ControlKind::IconPicture, 24, 80, 41, 41, L"#102", false, true, -1},
    {"Image4", ControlKind::IconPicture, 24, 248, 41, 41, L"#103", false, true, -1},
    {"Bevel2", ControlKind::Bevel, 0, 72, 513, 2, nullptr, true, true, -1},
    {"Button1", ControlKind::Button, 248, 336, 73, 25, L"<<Back", true, false, 0,
     handler<&TForm1::Button2Click>},
    {"Button2", ControlKind::Button, 328, 336, 73, 25, L"Next>>", true, false, 1,
     handler<&TForm1::Button2Click>},
    {"Button3", ControlKind::Button, 408, 336, 73, 25, L"Cancel", true, true, 2,
     handler<&TForm1::Button3Click>},
    {"rb1", ControlKind::RadioButton, 24, 272, 481, 33, L"Yes,I Accept", true, true, 3,
     handler<&TForm1::rb1Click>, &kRadioFont},
    {"rb2", ControlKind::RadioButton, 24, 296, 473, 25, L"NO,I Do'nt Accept", true, true, 4,
     nullptr, &kRadioFont},
    {"Memo1", ControlKind::Memo, 8, 88, 497, 177, L"", true, true, 5, nullptr, &kLicenceFont,
     kYellow, kOrange},
    {"Button4", ControlKind::Button, 392, 136, 81, 25, L"Change Path", false, true, 6,
     handler<&TForm1::Button4Click>},
    {"pb1", ControlKind::ProgressBar, 64, 192, 385, 25, nullptr, false, true, 7},
    {"Edit1", ControlKind::Edit, 104, 136, 265, 21, manifest::kDefaultDirectory, false, true, 8},
};

// The form's members, bound to the controls of the same name.
struct {
    ui::Control *TForm1::*member;
    const char *name;
} kMembers[] = {
    {&TForm1::Image1, "Image1"},   {&TForm1::Bevel1, "Bevel1"},   {&TForm1::Label1, "Label1"},
    {&TForm1::Image2, "Image2"},   {&TForm1::Label2, "Label2"},   {&TForm1::Label3, "Label3"},
    {&TForm1::Label4, "Label4"},   {&TForm1::Image3, "Image3"},   {&TForm1::Image4, "Image4"},
    {&TForm1::Bevel2, "Bevel2"},   {&TForm1::Button1, "Button1"}, {&TForm1::Button2, "Button2"},
    {&TForm1::Button3, "Button3"}, {&TForm1::rb1, "rb1"},         {&TForm1::rb2, "rb2"},
    {&TForm1::Memo1, "Memo1"},     {&TForm1::Button4, "Button4"}, {&TForm1::pb1, "pb1"},
    {&TForm1::Edit1, "Edit1"},
};

// The licence box's 38 lines, carried as text.
platform::Text licence_text() {
    return platform::find_text_resource(ui::Application::get().instance(), L"TEXT", L"LICENCE");
}
} // namespace

TForm1 *Form1 = nullptr;

TForm1::TForm1() : Form(kForm, kControls, std::size(kControls)) {
    Form1 = this;
    create();
    for (const auto &binding : kMembers)
        this->*binding.member = &control(binding.name);
    Memo1->set_text(licence_text());
    STARTUP_PROBE("licence text set");
    Edit1->set_text(default_directory());
    STARTUP_PROBE("default folder set");
    created();
    STARTUP_PROBE("FormCreate done");
}
