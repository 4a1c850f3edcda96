// The wizard's window and page flow, on real windows created in this
// process exactly as the program creates them.
#include "platform/files/files.h"
#include "platform/files/paths.h"
#include "platform/resources.h"
#include "platform/setup_error.h"
#include "support/capture.h"
#include "support/dialogs.h"
#include "support/environment.h"
#include "support/text.h"
#include "support/installed_product.h"
#include "support/program.h"
#include "support/recorder.h"
#include "support/wizard_fixture.h"
#include "product/manifest.h"
#include "command_line.h"
#include "window/pictures.h"
#include "wizard/running_wizard.h"
#include <algorithm>
#include <oleacc.h>
#include <set>

using namespace testing_support;

namespace {

bool shown(ui::Control &control) {
    return control.windowed() ? is_shown(control.handle()) : control.visible();
}

RECT rect_of(ui::Control &control) {
    return control.windowed() ? child_rect(control.handle()) : control.bounds();
}

constexpr char kR1[] = "Install Now!      Corvanta will be install on your computer, enjoy it";
constexpr char kR2[] = "I want to UNinstall!     Remove Corvanta from your computer,really?";
constexpr char kP2[] =
    "Corvanta will be installed in the path, \rTo change path, please click the button";

std::string module_directory() {
    return utf8(platform::directory_part(platform::module_path()).c_str());
}

using Wizard = WizardFixture;

// --- The window as created -------------------------------------------------

TEST_F(Wizard, WindowHasItsCaptionFrameAndClientArea) {
    create_forms();
    const HWND window = form().handle();
    EXPECT_EQ(text_of(window), "Setup-Corvanta 1.21");
    RECT client;
    ::GetClientRect(window, &client);
    EXPECT_EQ(client.right, 514);
    EXPECT_EQ(client.bottom, 367);
    const LONG style = ::GetWindowLongA(window, GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
    EXPECT_TRUE(::GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
    // Owned by the application's own window, which carries the title.
    EXPECT_EQ(::GetWindow(window, GW_OWNER), ui::Application::get().handle());
    EXPECT_EQ(text_of(ui::Application::get().handle()), "wizard_tests");
}

struct DesignRow {
    const char *name;
    int left, top, width, height; // width/height 0: sized to the caption
    const char *text;
    bool visible, enabled;
};

TEST_F(Wizard, EveryControlStartsAsDesigned) {
    create_forms();
    const DesignRow rows[] = {
        {"Image1", 0, 0, 513, 73, "BANNER", true, true},
        {"Bevel1", 72, 323, 433, 2, nullptr, true, true},
        {"Label1", 64, 168, 0, 0, "", true, true},
        {"Image2", 40, 96, 41, 41, nullptr, true, true},
        {"Label2", 104, 104, 0, 0, "Label2", false, true},
        {"Label3", 24, 319, 0, 0, "KESTRA", true, true},
        {"Label4", 23, 319, 0, 0, "KESTRA", true, true},
        {"Image3", 24, 80, 41, 41, nullptr, false, true},
        {"Image4", 24, 248, 41, 41, nullptr, false, true},
        {"Bevel2", 0, 72, 513, 2, nullptr, true, true},
        {"Button1", 248, 336, 73, 25, "<<Back", true, false},
        {"Button2", 328, 336, 73, 25, "Next>>", true, false},
        {"Button3", 408, 336, 73, 25, "Cancel", true, true},
        {"rb1", 24, 272, 481, 33, "Yes,I Accept", true, true},
        {"rb2", 24, 296, 473, 25, "NO,I Do'nt Accept", true, true},
        {"Memo1", 8, 88, 497, 177, nullptr, true, true},
        {"Button4", 392, 136, 81, 25, "Change Path", false, true},
        {"pb1", 64, 192, 385, 25, nullptr, false, true},
        {"Edit1", 104, 136, 265, 21, "C:\\Program Files\\Tolmera", false, true},
    };
    ASSERT_EQ(form().controls().size(), std::size(rows));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const DesignRow &row = rows[i];
        ui::Control &control = *form().controls()[i];
        SCOPED_TRACE(row.name);
        EXPECT_STREQ(control.name(), row.name);
        const RECT rect = rect_of(control);
        EXPECT_EQ(rect.left, row.left);
        EXPECT_EQ(rect.top, row.top);
        if (row.width) {
            EXPECT_EQ(rect.right - rect.left, row.width);
            EXPECT_EQ(rect.bottom - rect.top, row.height);
        }
        if (row.text && control.kind() != ui::ControlKind::JpegPicture) {
            EXPECT_EQ(control.text(), row.text);
        }
        EXPECT_EQ(shown(control), row.visible);
        EXPECT_EQ(control.enabled(), row.enabled);
    }
    EXPECT_FALSE(form().rb1->checked());
    EXPECT_FALSE(form().rb2->checked());
    EXPECT_EQ(form().pb1->position(), 0);
    EXPECT_EQ(form().Label3->bounds().bottom - form().Label3->bounds().top,
              form().Label4->bounds().bottom - form().Label4->bounds().top);
}

TEST_F(Wizard, LicenceBoxHoldsThirtyEightLinesAndWraps) {
    create_forms();
    const HWND memo = form().Memo1->handle();
    const std::string text = utf8(form().Memo1->text().c_str());
    int lines = 1;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos;
         at = text.find("\r\n", at + 2))
        ++lines;
    EXPECT_EQ(lines, 38);
    EXPECT_EQ(text.substr(0, 49), std::string(21, ' ') + "IMPORTANT - READ CAREFULLY\r\n");
    const LONG style = ::GetWindowLongA(memo, GWL_STYLE);
    EXPECT_TRUE(style & WS_VSCROLL);
    EXPECT_FALSE(style & (WS_HSCROLL | ES_AUTOHSCROLL | ES_READONLY));
    EXPECT_TRUE(style & ES_WANTRETURN);
}

// --- Keyboard focus and tab order ------------------------------------------

TEST_F(Wizard, FocusStartsOnCancelAndTabSkipsWhatCannotTakeIt) {
    create_forms();
    show();
    EXPECT_EQ(::GetFocus(), form().Button3->handle());
    press_key(VK_TAB); // Back and Next are disabled, the radio buttons unchecked
    EXPECT_EQ(::GetFocus(), form().Memo1->handle());
    press_key(VK_TAB);
    EXPECT_EQ(::GetFocus(), form().Button3->handle());

    form().rb1->set_checked(true);
    EXPECT_TRUE(form().Button2->enabled());
    press_key(VK_TAB);
    EXPECT_EQ(::GetFocus(), form().rb1->handle()); // the checked one only
    press_key(VK_TAB);
    EXPECT_EQ(::GetFocus(), form().Memo1->handle());
    press_key(VK_TAB);
    EXPECT_EQ(::GetFocus(), form().Button2->handle());
}

TEST_F(Wizard, ArrowKeysMoveBetweenTheRadioButtonsAndCheckThem) {
    create_forms();
    show();
    form().rb1->set_checked(true);
    form().rb1->set_focus();
    press_key(VK_DOWN);
    EXPECT_TRUE(form().rb2->checked());
    EXPECT_FALSE(form().rb1->checked());
    EXPECT_EQ(::GetFocus(), form().rb2->handle());
    press_key(VK_UP);
    EXPECT_TRUE(form().rb1->checked());
}

TEST_F(Wizard, EnterOnCancelOpensTheDialogAndEscDoesNothing) {
    create_forms();
    show();
    press_key(VK_ESCAPE);
    EXPECT_FALSE(alarm().visible());
    EXPECT_FALSE(ui::Application::get().terminated());
    bool main_was_disabled = false;
    DialogWatcher watcher([&](HWND dialog) {
        main_was_disabled = !::IsWindowEnabled(form().handle());
        press(find_child(dialog, "Button", "Resume"));
    });
    press_key(VK_RETURN);
    ASSERT_EQ(watcher.seen().size(), 1u);
    EXPECT_EQ(watcher.seen()[0].title, "Alarm");
    EXPECT_TRUE(main_was_disabled);
    EXPECT_TRUE(::IsWindowEnabled(form().handle()));
    EXPECT_FALSE(alarm().visible());
}

// --- Page flow ---------------------------------------------------------------

TEST_F(Wizard, AcceptingTheLicenceEnablesNextForGood) {
    create_forms();
    EXPECT_FALSE(form().Button2->enabled());
    form().rb2->set_checked(true);
    EXPECT_FALSE(form().Button2->enabled());
    form().rb1->set_checked(true);
    EXPECT_TRUE(form().Button2->enabled());
    form().rb2->set_checked(true);
    EXPECT_TRUE(form().Button2->enabled());
    EXPECT_FALSE(form().rb1->checked());
}

TEST_F(Wizard, ChoicePageShowsBothChoicesWithTheirPictures) {
    create_forms();
    form().rb1->set_checked(true);
    next();
    EXPECT_EQ(insta::page_index, insta::Page::choice);
    EXPECT_EQ(rect_of(*form().rb1).top, 120);
    EXPECT_EQ(rect_of(*form().rb2).top, 296);
    EXPECT_EQ(form().rb1->text(), kR1);
    EXPECT_EQ(form().rb2->text(), kR2);
    for (auto *c : {form().rb1, form().rb2, form().Image3, form().Image4})
        EXPECT_TRUE(shown(*c)) << c->name();
    for (auto *c : {form().Memo1, form().Label2, form().Label1, form().Edit1, form().Button4,
                    form().Image2, form().pb1})
        EXPECT_FALSE(shown(*c)) << c->name();
    EXPECT_TRUE(form().Button1->enabled());
    EXPECT_TRUE(form().Button2->enabled());
    EXPECT_TRUE(form().Button3->enabled());
    EXPECT_TRUE(form().rb1->checked()); // the choice made on the licence page stays
}

TEST_F(Wizard, BackToTheLicenceRestoresItWithTheOtherRefusalText) {
    create_forms();
    show();
    form().rb1->set_checked(true);
    next();
    form().rb2->set_checked(true);
    back();
    EXPECT_EQ(insta::page_index, insta::Page::licence);
    EXPECT_EQ(rect_of(*form().rb1).top, 272);
    EXPECT_EQ(form().rb1->text(), "Yes,I Accept");
    EXPECT_EQ(form().rb2->text(), "NO.I Don't Accept");
    EXPECT_TRUE(form().rb2->checked());
    for (auto *c : {form().rb1, form().rb2, form().Memo1})
        EXPECT_TRUE(shown(*c)) << c->name();
    for (auto *c : {form().Image3, form().Image4, form().Label1, form().Label2, form().Edit1,
                    form().Button4, form().Image2})
        EXPECT_FALSE(shown(*c)) << c->name();
    EXPECT_FALSE(form().Button1->enabled());
    EXPECT_TRUE(form().Button2->enabled());
    process();
    EXPECT_EQ(::GetFocus(), form().Button2->handle());
}

TEST_F(Wizard, PathPageShowsTheDirectoryBoxAndChangePath) {
    create_forms();
    show();
    form().rb1->set_checked(true);
    next();
    next();
    EXPECT_EQ(insta::page_index, insta::Page::path);
    EXPECT_EQ(form().Label2->text(), kP2);
    for (auto *c : {form().Label2, form().Edit1, form().Button4, form().Image2})
        EXPECT_TRUE(shown(*c)) << c->name();
    for (auto *c : {form().rb1, form().rb2, form().Image3, form().Image4, form().Memo1,
                    form().Label1, form().pb1})
        EXPECT_FALSE(shown(*c)) << c->name();
    EXPECT_EQ(form().Edit1->text(), "C:\\Program Files\\Tolmera");
    // The heading's lone carriage return shows it as two lines.
    const RECT heading = form().Label2->bounds();
    EXPECT_GT(heading.bottom - heading.top, 20);
    process();
    EXPECT_EQ(::GetFocus(), form().Button2->handle());
    back();
    EXPECT_EQ(insta::page_index, insta::Page::choice);
    EXPECT_TRUE(shown(*form().rb1));
    EXPECT_FALSE(shown(*form().Edit1));
}

TEST_F(Wizard, BlankPathStaysOnThePathPageThenNextCloses) {
    create_forms();
    show();
    form().rb1->set_checked(true);
    next();
    next();
    form().Edit1->set_text(L" \t  ");
    next();
    EXPECT_EQ(insta::page_index, insta::Page::progress);
    EXPECT_EQ(insta::install_directory, "");
    for (auto *c : {form().Label2, form().Edit1, form().Button4, form().Image2})
        EXPECT_TRUE(shown(*c)) << c->name();
    EXPECT_FALSE(shown(*form().pb1));
    EXPECT_TRUE(form().Button1->enabled());
    EXPECT_TRUE(form().Button2->enabled());
    EXPECT_TRUE(form().Button3->enabled());
    back();
    EXPECT_EQ(insta::page_index, insta::Page::path);
    process();
    EXPECT_EQ(::GetFocus(), form().Button2->handle());
    next();
    next(); // from the empty-path state: the window closes, nothing installed
    process();
    EXPECT_TRUE(ui::Application::get().terminated());
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, utf8(manifest::kInstalledLocationKey)));
}

TEST_F(Wizard, RefusingThenNextOffersRemovalAndSkipsThePathPage) {
    create_forms();
    PacingRecorder recorder;
    form().rb1->set_checked(true);
    form().rb2->set_checked(true);
    next();
    EXPECT_TRUE(form().rb2->checked());
    next();
    EXPECT_EQ(insta::page_index, insta::Page::progress);
    EXPECT_EQ(form().Label2->text(), "Remove Corvanta From you system now!");
    EXPECT_TRUE(shown(*form().pb1));
    EXPECT_FALSE(shown(*form().Edit1));
    EXPECT_EQ(form().Button2->text(), "finish");
    EXPECT_TRUE(form().Button2->enabled());
    EXPECT_FALSE(form().Button1->enabled());
    EXPECT_FALSE(form().Button3->enabled());
    EXPECT_TRUE(insta::self_removal_pending);
}

// Stops the install at its first message-processing point, after the
// directory has been made and the first status shown: enough to see where it
// would install, without installing.
class StopAtFirstStep : public PacingRecorder {
public:
    void process_messages() override { throw platform::SetupError(L"stopped"); }
};

std::string directory_installed_for(WizardFixture &, TForm1 &form, const std::string &typed) {
    StopAtFirstStep stop;
    DialogWatcher answer;
    form.rb1->set_checked(true);
    form.Button2Click(*form.Button2);
    form.Button2Click(*form.Button2);
    form.Edit1->set_text(wide(typed));
    ui::guarded([&] { form.Button2Click(*form.Button2); }); // as a click would
    // The first status names the directory, made canonical; one that could
    // not be made stays as the page took it.
    const auto shown = stop.only("status");
    if (shown.empty()) return utf8(insta::install_directory.c_str());
    return shown[0].substr(std::string("status copy main exe to").size());
}

TEST_F(Wizard, PathIsTrimmedAndEndsInOneBackslash) {
    ::SetCurrentDirectoryA(scratch_directory("normalise").c_str());
    const std::string base = scratch_directory("normalise") + "\\Tolmera";
    const std::pair<std::string, std::string> cases[] = {
        {"  " + base + " \t", base + "\\"},
        {base + "\\", base + "\\"},
        {base + "\\\\", base + "\\"}, // then made canonical, as the file system reads it
        {"C:", "C:\\"},
        {"\\", "\\"},
    };
    for (const auto &[typed, expected] : cases) {
        create_forms();
        EXPECT_EQ(directory_installed_for(*this, form(), typed), expected) << "typed: " << typed;
        close_forms();
    }
}

TEST_F(Wizard, ChangePathBrowsesFoldersAndTakesTheChosenOne) {
    create_forms();
    show();
    form().rb1->set_checked(true);
    next();
    next();
    bool titled = false, main_disabled = false;
    HWND owner = nullptr;
    {
        DialogWatcher cancel([&](HWND browser) {
            titled = find_child(browser, "Static", "Select Directory") != nullptr;
            owner = ::GetWindow(browser, GW_OWNER);
            main_disabled = !::IsWindowEnabled(form().handle());
            press(find_child(browser, "Button", "Cancel"));
        });
        form().Button4Click(*form().Button4);
    }
    EXPECT_TRUE(titled);
    EXPECT_EQ(owner, ui::Application::get().handle());
    EXPECT_TRUE(main_disabled);
    EXPECT_TRUE(::IsWindowEnabled(form().handle()));
    EXPECT_EQ(form().Edit1->text(), "C:\\Program Files\\Tolmera");
    {
        DialogWatcher confirm([&](HWND browser) {
            press(find_child(browser, "Button", "OK"));
            ::Sleep(1000);
            if (::IsWindow(browser) && ::IsWindowVisible(browser))
                press(find_child(browser, "Button", "Cancel"));
        });
        form().Button4Click(*form().Button4);
    }
    // Nothing is preselected: the tree starts at the desktop, whose folder is taken.
    const std::string chosen = utf8(form().Edit1->text().c_str());
    EXPECT_NE(chosen, "C:\\Program Files\\Tolmera");
    EXPECT_TRUE(platform::directory_exists(wide(chosen))) << chosen;
    EXPECT_NE(chosen.back(), '\\');
}

// --- Start from the recorded directory ----------------------------------------

TEST_F(Wizard, RunningFromTheRecordedDirectoryOpensTheRemovalChoice) {
    const std::string directory = module_directory();
    for (const std::string &recorded :
         {directory, utf8(platform::ascii_lower(wide(directory)).c_str()),
          std::string(CharUpperA(&std::string(directory)[0]))}) {
        set_string(HKEY_LOCAL_MACHINE, utf8(manifest::kInstalledLocationKey), "exepath", recorded);
        create_forms();
        SCOPED_TRACE(recorded);
        EXPECT_EQ(insta::page_index, insta::Page::choice);
        EXPECT_TRUE(form().rb2->checked());
        EXPECT_TRUE(form().Button1->enabled());
        EXPECT_TRUE(form().Button2->enabled());
        EXPECT_EQ(form().Edit1->text(), recorded);
        EXPECT_EQ(form().rb2->text(), kR2);
        show();
        EXPECT_EQ(::GetFocus(), form().Button1->handle());
        close_forms();
    }
}

TEST_F(Wizard, AnyOtherRecordedFormStartsOnTheLicence) {
    const std::string directory = module_directory();
    for (const std::string &recorded :
         {directory.substr(0, directory.size() - 1), directory + "other\\", std::string("C:\\"),
          std::string(), std::string("Tolmera\\")}) {
        set_string(HKEY_LOCAL_MACHINE, utf8(manifest::kInstalledLocationKey), "exepath", recorded);
        create_forms();
        EXPECT_EQ(insta::page_index, insta::Page::licence) << recorded;
        EXPECT_FALSE(form().rb2->checked());
        // An install goes where the recorded installation is, when that is
        // a place at all.
        const bool full = recorded.size() > 2 && recorded[1] == ':';
        EXPECT_EQ(form().Edit1->text(),
                  full ? recorded : std::string("C:\\Program Files\\Tolmera"));
        close_forms();
    }
}

TEST_F(Wizard, ANonTextRecordIsReportedAndTheLicenceShows) {
    set_dword(HKEY_LOCAL_MACHINE, utf8(manifest::kInstalledLocationKey), "exepath", 1);
    DialogWatcher watcher;
    create_forms();
    ASSERT_EQ(watcher.seen().size(), 1u);
    // No full stop: a quotation mark sorts before it.
    EXPECT_EQ(watcher.seen()[0].text, "Invalid data type for 'exepath'");
    EXPECT_EQ(watcher.seen()[0].title, "wizard_tests");
    EXPECT_EQ(watcher.seen()[0].owner, ui::Application::get().handle());
    EXPECT_EQ(watcher.seen()[0].style_icon, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(insta::page_index, insta::Page::licence);
    EXPECT_TRUE(shown(*form().Memo1));
}

// The program's own full path as the system gives it starts the line,
// quoted or not (CreateProcess with the program's name lets a launcher pass
// it unquoted, blanks and all); any other first part is read as the
// runtime reads it.
TEST(CommandLine, TheProgramsOwnPathQuotedOrNotIsNoArgument) {
    // Understood, and with /S.
    const std::pair<const wchar_t *, std::pair<bool, bool>> cases[] = {
        {L"C:\\My Downloads\\instal.exe", {true, false}},
        {L"c:\\my downloads\\INSTAL.EXE\t/S", {true, true}},
        {L"\"C:\\My Downloads\\instal.exe\" /S", {true, true}},
        {L"\"C:\\My Downloads\\instal.exe\"/S", {true, true}},
        {L"instal /S", {true, true}},
        {L"C:\\My Downloads\\instal.exe2 /S", {false, true}},
    };
    for (const auto &[line, expected] : cases) {
        const CommandLine command = parse_command_line(line, L"C:\\My Downloads\\instal.exe");
        EXPECT_EQ(std::make_pair(command.understood, command.unattended), expected) << utf8(line);
    }
}

// --- A second wizard ----------------------------------------------------------

// What a second wizard brings forward: the recorded window only while the
// recorded process runs it.
TEST(RunningWizard, OnlyTheRecordedProcessesOwnWindowCounts) {
    const HWND own = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                       nullptr, nullptr); // hidden: nothing comes forward
    const DWORD us = ::GetCurrentProcessId();
    DWORD other = 0;
    ::GetWindowThreadProcessId(::GetDesktopWindow(), &other);
    ASSERT_NE(other, us) << "the desktop's window belongs to no other process";
    const std::pair<HWND, DWORD> records[] = {{own, us}, {own, other}, {::GetDesktopWindow(), us}};
    for (const auto &[window, process] : records) {
        const DWORD record[] = {static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(window)), process};
        ::RegSetKeyValueW(manifest::kMachineRoot, manifest::kRunningWizardKey, nullptr, REG_BINARY,
                          record, sizeof record);
        EXPECT_EQ(bring_running_wizard_forward(), window == own && process == us) << process;
    }
    ::RegDeleteKeyW(manifest::kMachineRoot, manifest::kRunningWizardKey);
    ::DestroyWindow(own);
}

// --- Cancel dialog ------------------------------------------------------------

TEST_F(Wizard, AlarmDialogIsPlacedFromTheScreenSize) {
    create_forms();
    const int width = ::GetSystemMetrics(SM_CXSCREEN), height = ::GetSystemMetrics(SM_CYSCREEN);
    const RECT placed = alarm().outer_rect();
    EXPECT_EQ(placed.left, width / 2 - 135);
    EXPECT_EQ(placed.top, height / 2 - 70);
    RECT client;
    ::GetClientRect(alarm().handle(), &client);
    EXPECT_EQ(client.right, 283);
    EXPECT_EQ(client.bottom, 138);
    EXPECT_EQ(text_of(alarm().handle()), "Alarm");
    EXPECT_EQ(alarm().Label1->text(), "ALARM:  ");
    EXPECT_EQ(alarm().Label2->text(), "Cick Resume to continue setup");
    EXPECT_EQ(alarm().Label3->text(), "Click Exit to stop the setup");
    EXPECT_EQ(child_rect(alarm().Button1->handle()).left, 184);
    EXPECT_EQ(child_rect(alarm().Button2->handle()).top, 72);
    // The main window is centred when first shown.
    show();
    const RECT main = form().outer_rect();
    EXPECT_EQ(main.left, std::max(0L, (width - (main.right - main.left)) / 2));
    EXPECT_EQ(main.top, std::max(0L, (height - (main.bottom - main.top)) / 2));
}

TEST_F(Wizard, ResumeAndTheCloseBoxLeaveEveryControlAsItWas) {
    create_forms();
    show();
    form().rb1->set_checked(true);
    next();
    next();
    form().Edit1->set_text(L"D:\\Somewhere");
    std::vector<std::string> before;
    for (const auto &c : form().controls())
        before.push_back(utf8(c->text().c_str()) + "|" + std::to_string(shown(*c)) +
                         std::to_string(c->enabled()));
    for (int closing_by_box = 0; closing_by_box < 2; ++closing_by_box) {
        DialogWatcher watcher([&](HWND dialog) {
            if (closing_by_box)
                ::PostMessageA(dialog, WM_CLOSE, 0, 0);
            else
                press(find_child(dialog, "Button", "Resume"));
        });
        form().Button3Click(*form().Button3);
        EXPECT_EQ(watcher.seen().size(), 1u);
        std::vector<std::string> after;
        for (const auto &c : form().controls())
            after.push_back(utf8(c->text().c_str()) + "|" + std::to_string(shown(*c)) +
                            std::to_string(c->enabled()));
        EXPECT_EQ(after, before);
        EXPECT_FALSE(ui::Application::get().terminated());
        EXPECT_EQ(insta::page_index, insta::Page::path);
    }
}

TEST_F(Wizard, DraggedAlarmDialogReopensWhereItWasLeft) {
    create_forms();
    show();
    {
        DialogWatcher drag([&](HWND dialog) {
            ::SetWindowPos(dialog, nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
            press(find_child(dialog, "Button", "Resume"));
        });
        form().Button3Click(*form().Button3);
    }
    RECT reopened = {};
    DialogWatcher measure([&](HWND dialog) {
        ::GetWindowRect(dialog, &reopened);
        press(find_child(dialog, "Button", "Resume"));
    });
    form().Button3Click(*form().Button3);
    EXPECT_EQ(reopened.left, 40);
    EXPECT_EQ(reopened.top, 30);
}

TEST_F(Wizard, ExitSetupEndsWithoutTheCloseHandler) {
    create_forms();
    show();
    insta::self_removal_pending = true; // a close handler would write the script now
    const std::string script = module_directory() + "$$a$$.bat";
    ::DeleteFileA(script.c_str());
    const std::vector<std::string> temp_before = windows_temp_entries();
    DialogWatcher watcher([&](HWND dialog) { press(find_child(dialog, "Button", "Exit Setup")); });
    form().Button3Click(*form().Button3);
    EXPECT_TRUE(ui::Application::get().terminated());
    EXPECT_FALSE(alarm().visible());
    EXPECT_FALSE(exists(script));
    EXPECT_EQ(windows_temp_entries(), temp_before) << "a script's folder was made";
    insta::self_removal_pending = false;
}

// --- Texts a screen reader finds ---------------------------------------------

bool is_static(HWND window) {
    wchar_t name[16] = {};
    ::GetClassNameW(window, name, 16);
    return ::lstrcmpiW(name, L"Static") == 0;
}

// A form's child windows from the top of the z-order down.
std::vector<HWND> children_top_down(HWND form) {
    std::vector<HWND> children;
    for (HWND child = ::GetWindow(form, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

bool has_visible_style(HWND window) {
    return (::GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

// The texts of the form's Static children that are set to be seen, sorted.
std::vector<std::string> shown_texts(HWND form) {
    std::vector<std::string> texts;
    for (HWND child : children_top_down(form))
        if (is_static(child) && has_visible_style(child)) texts.push_back(text_of(child));
    std::sort(texts.begin(), texts.end());
    return texts;
}

bool set_to_show(ui::Control &control) {
    return control.windowed() ? has_visible_style(control.handle()) : control.visible();
}

// Where two shown controls overlap, the later one in the form's description
// lies above, and painted ones lie beneath every window: texts as windows
// change nothing of what covers what. The pairs that break it, by name.
std::string stacked_against_the_description(ui::Form &form) {
    const std::vector<HWND> order = children_top_down(form.handle());
    const auto height = [&order](ui::Control &control) {
        return order.end() - std::find(order.begin(), order.end(), control.handle());
    };
    std::string wrong;
    const auto &controls = form.controls();
    for (std::size_t i = 0; i < controls.size(); ++i)
        for (std::size_t j = i + 1; j < controls.size(); ++j) {
            ui::Control &earlier = *controls[i], &later = *controls[j];
            RECT a = rect_of(earlier), b = rect_of(later), common;
            if (!set_to_show(earlier) || !set_to_show(later) || !::IntersectRect(&common, &a, &b))
                continue;
            const bool above =
                later.windowed() && (!earlier.windowed() || height(later) > height(earlier));
            const bool both_painted = !later.windowed() && !earlier.windowed();
            if (!above && !both_painted)
                wrong += std::string(later.name()) + " not over " + earlier.name() + "; ";
        }
    return wrong;
}

// Through to the removal's finished page, its texts as the removal left them.
void remove_through_the_wizard(TForm1 &form) {
    form.rb1->set_checked(true);
    form.rb2->set_checked(true);
    form.Button2Click(*form.Button2);
    form.Button2Click(*form.Button2);
}

TEST_F(Wizard, PageTextsAreStaticWindowsOnEveryPage) {
    using Texts = std::vector<std::string>;
    create_forms();
    show();
    const HWND window = form().handle();
    // The status line is shown, empty, beneath the licence box, which covers it.
    EXPECT_EQ(shown_texts(window), Texts{""});
    const RECT status = child_rect(form().Label1->handle()),
               licence = child_rect(form().Memo1->handle());
    RECT common;
    ::IntersectRect(&common, &status, &licence);
    EXPECT_TRUE(::EqualRect(&common, &status));
    const std::vector<HWND> order = children_top_down(window);
    EXPECT_LT(std::find(order.begin(), order.end(), form().Memo1->handle()),
              std::find(order.begin(), order.end(), form().Label1->handle()));
    EXPECT_EQ(stacked_against_the_description(form()), "");

    form().rb1->set_checked(true);
    next();
    EXPECT_EQ(shown_texts(window), Texts{});

    next();
    EXPECT_EQ(shown_texts(window), Texts{kP2});
    // The heading names the path box: it is the window directly above it, and
    // no text lies above the licence box.
    EXPECT_EQ(::GetWindow(form().Edit1->handle(), GW_HWNDPREV), form().Label2->handle());
    for (HWND above = ::GetWindow(form().Memo1->handle(), GW_HWNDPREV); above;
         above = ::GetWindow(above, GW_HWNDPREV))
        EXPECT_FALSE(is_static(above)) << text_of(above);
    EXPECT_EQ(stacked_against_the_description(form()), "");
    // Texts take no focus: Tab goes round the page without them.
    for (int i = 0; i < 6; ++i) {
        press_key(VK_TAB);
        EXPECT_FALSE(is_static(::GetFocus())) << "after " << i + 1 << " tabs";
    }
    for (HWND child : order) {
        if (is_static(child)) {
            EXPECT_FALSE(::GetWindowLongW(child, GWL_STYLE) & (WS_TABSTOP | SS_NOTIFY));
        }
    }
    close_forms();

    create_forms();
    show();
    PacingRecorder recorder;
    remove_through_the_wizard(form());
    EXPECT_EQ(shown_texts(form().handle()),
              (Texts{"Remove Corvanta From you system now!", "unstall has finish!"}));
    EXPECT_EQ(stacked_against_the_description(form()), "");

    EXPECT_EQ(shown_texts(alarm().handle()),
              (Texts{"ALARM:  ", "Cick Resume to continue setup", "Click Exit to stop the setup"}));
    EXPECT_EQ(stacked_against_the_description(alarm()), "");
}

// A screen reader asks the system's accessibility for the object of each
// window; the program does not load it, the test does, as a reader would.
class Accessibility {
public:
    Accessibility() : library_(::LoadLibraryW(L"oleacc.dll")) {
        com_ = SUCCEEDED(::CoInitialize(nullptr));
        if (library_)
            from_window_ = reinterpret_cast<FromWindow>(
                reinterpret_cast<void *>(::GetProcAddress(library_, "AccessibleObjectFromWindow")));
    }
    Accessibility(const Accessibility &) = delete;
    Accessibility &operator=(const Accessibility &) = delete;
    ~Accessibility() {
        if (library_) ::FreeLibrary(library_);
        if (com_) ::CoUninitialize();
    }
    bool available() const { return from_window_ != nullptr; }

    struct Answer {
        bool answered = false;
        std::string name, value;
        LONG role = 0;
        LONG children = -1;
    };
    // What the object of the window's client area says of itself.
    Answer client_of(HWND window) const {
        Answer answer;
        IAccessible *object = nullptr;
        if (FAILED(from_window_(window, OBJID_CLIENT, __uuidof(IAccessible),
                                reinterpret_cast<void **>(&object))) ||
            !object)
            return answer;
        answer.answered = true;
        VARIANT self;
        ::VariantInit(&self);
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        BSTR text = nullptr;
        if (object->get_accName(self, &text) == S_OK && text) answer.name = utf8(text);
        ::SysFreeString(text);
        text = nullptr;
        if (object->get_accValue(self, &text) == S_OK && text) answer.value = utf8(text);
        ::SysFreeString(text);
        VARIANT role;
        ::VariantInit(&role);
        if (SUCCEEDED(object->get_accRole(self, &role)) && role.vt == VT_I4)
            answer.role = role.lVal;
        ::VariantClear(&role);
        object->get_accChildCount(&answer.children);
        object->Release();
        return answer;
    }

private:
    using FromWindow = HRESULT(WINAPI *)(HWND, DWORD, REFIID, void **);
    HMODULE library_;
    bool com_ = false;
    FromWindow from_window_ = nullptr;
};

TEST_F(Wizard, ScreenReadersReadThePageTextsAndTheNameOfThePathBox) {
    const Accessibility accessibility;
    if (!accessibility.available()) GTEST_SKIP() << "no accessibility on this system";
    create_forms();
    show();
    form().rb1->set_checked(true);
    next();
    next();
    // The window lists every child window, the texts among them.
    EXPECT_EQ(accessibility.client_of(form().handle()).children,
              static_cast<LONG>(children_top_down(form().handle()).size()));
    // A Static's role is static text; Wine answers the plain client role for it.
    const auto expect_text = [&](ui::Control &label, const std::string &text) {
        const Accessibility::Answer answer = accessibility.client_of(label.handle());
        EXPECT_TRUE(answer.answered) << label.name();
        EXPECT_EQ(answer.name, text) << label.name();
        EXPECT_TRUE(answer.role == ROLE_SYSTEM_STATICTEXT || answer.role == ROLE_SYSTEM_CLIENT)
            << label.name() << " role " << answer.role;
    };
    expect_text(*form().Label2, kP2);
    const Accessibility::Answer box = accessibility.client_of(form().Edit1->handle());
    EXPECT_EQ(box.role, ROLE_SYSTEM_TEXT);
    EXPECT_EQ(box.name, kP2);
    EXPECT_EQ(box.value, "C:\\Program Files\\Tolmera");
    // The licence box is read as its text, and no text names it.
    const Accessibility::Answer licence = accessibility.client_of(form().Memo1->handle());
    EXPECT_EQ(licence.value, utf8(form().Memo1->text().c_str()));
    EXPECT_EQ(licence.name, "");
    form().Label1->set_text(L"Write to Registry");
    expect_text(*form().Label1, "Write to Registry");
    expect_text(*alarm().Label1, "ALARM:  ");
    expect_text(*alarm().Label2, "Cick Resume to continue setup");
    expect_text(*alarm().Label3, "Click Exit to stop the setup");
}

// --- Pixels -----------------------------------------------------------------------

TEST_F(Wizard, WindowLooksAsDesigned) {
    create_forms();
    show();
    ::RedrawWindow(form().handle(), nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    process();
    ::Sleep(200);
    const Capture capture = capture_window(form().handle());
    ASSERT_EQ(capture.width, 514);
    const COLORREF grey = RGB(221, 221, 221);
    EXPECT_EQ(capture.at(300, 80), grey);               // window colour between banner and licence
    EXPECT_EQ(capture.at(100, 200), RGB(255, 147, 38)); // inside the licence box
    EXPECT_EQ(capture.at(5, 71), grey);                 // banner row 71 shows the window
    EXPECT_EQ(capture.at(2, 2), RGB(255, 255, 255) & capture.at(2, 2)); // banner: white strip
    EXPECT_GT(GetRValue(capture.at(2, 2)), 230);
    EXPECT_EQ(capture.at(513, 10), grey); // the banner's right columns are cut off
    EXPECT_EQ(capture.at(100, 72), ::GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(capture.at(100, 73), ::GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(capture.at(200, 323), ::GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(capture.at(200, 324), ::GetSysColor(COLOR_BTNHIGHLIGHT));
    // The engraved mark: grey letters with white to their right.
    int grey_letters = 0, white_edges = 0;
    for (int y = 319; y < 332; ++y)
        for (int x = 23; x < 70; ++x) {
            if (capture.at(x, y) == RGB(160, 160, 164)) ++grey_letters;
            if (capture.at(x, y) == RGB(255, 255, 255)) ++white_edges;
        }
    EXPECT_GT(grey_letters, 20);
    EXPECT_GT(white_edges, 5);
}

// --- At other resolutions ----------------------------------------------------
// Run by tests/run-at-dpi.sh in prefixes set to 120, 144 and 192 dots per
// inch; at 96 the cases above hold and these skip.

int display_dpi() {
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return dpi;
}

int scaled(int design_pixels) {
    return ::MulDiv(design_pixels, display_dpi(), 96);
}

Capture painted_client(HWND window) {
    ::RedrawWindow(window, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    ui::Application::get().process_messages();
    ::Sleep(200);
    return capture_window(window);
}

// The design's rectangle (left, top, width, height) as the display shows it.
RECT scaled_rect(int left, int top, int width, int height) {
    return {scaled(left), scaled(top), scaled(left + width), scaled(top + height)};
}

bool same_rect(const RECT &a, const RECT &b) {
    return ::EqualRect(&a, &b) != FALSE;
}

TEST_F(Wizard, AtOtherResolutionsTheWindowIsTheDesignScaled) {
    if (display_dpi() == 96) GTEST_SKIP() << "at 96 dots per inch the design holds as it is";
    create_forms();
    RECT client;
    ::GetClientRect(form().handle(), &client);
    EXPECT_EQ(client.right, scaled(514));
    EXPECT_EQ(client.bottom, scaled(367));
    EXPECT_TRUE(same_rect(rect_of(*form().Image1), scaled_rect(0, 0, 513, 73)));
    EXPECT_TRUE(same_rect(rect_of(*form().Image2), scaled_rect(40, 96, 41, 41)));
    EXPECT_TRUE(same_rect(rect_of(*form().Bevel2), scaled_rect(0, 72, 513, 2)));
    EXPECT_TRUE(same_rect(rect_of(*form().Memo1), scaled_rect(8, 88, 497, 177)));
    EXPECT_TRUE(same_rect(rect_of(*form().Button3), scaled_rect(408, 336, 73, 25)));
    EXPECT_TRUE(same_rect(rect_of(*form().Edit1), scaled_rect(104, 136, 265, 21)));
    // The cancel dialog scales too, and is placed from the screen as ever.
    ::GetClientRect(alarm().handle(), &client);
    EXPECT_EQ(client.right, scaled(283));
    EXPECT_EQ(client.bottom, scaled(138));
    EXPECT_TRUE(same_rect(child_rect(alarm().Button2->handle()), scaled_rect(184, 72, 65, 25)));
    const RECT placed = alarm().outer_rect();
    EXPECT_EQ(placed.left, ::GetSystemMetrics(SM_CXSCREEN) / 2 - 135);
    EXPECT_EQ(placed.top, ::GetSystemMetrics(SM_CYSCREEN) / 2 - 70);
}

TEST_F(Wizard, AtOtherResolutionsTheBannerIsStretchedSmoothlyAndCutAsDesigned) {
    const int dpi = display_dpi();
    if (dpi == 96) GTEST_SKIP() << "at 96 dots per inch the banner is drawn as it is";
    const auto jpeg = platform::find_resource(::GetModuleHandleW(nullptr), L"JPEG", L"BANNER");
    const ui::Bitmap banner = ui::decode_jpeg(jpeg.data, jpeg.size);
    ASSERT_EQ(banner.width, 522);
    ASSERT_EQ(banner.height, 71);
    const auto source = [&banner](int x, int y) {
        const unsigned char *p = banner.pixels.data() + banner.stride() * y + x * 3;
        return RGB(p[2], p[1], p[0]);
    };
    create_forms();
    show();
    const Capture capture = painted_client(form().handle());
    ASSERT_EQ(capture.width, scaled(514));
    const COLORREF grey = RGB(221, 221, 221);

    // The picture's 522 x 71 scaled, from the control's corner: every pixel
    // shown lies within the colours of the source pixels around the point it
    // stands for, up to the control's right edge and the picture's last row.
    const int right = scaled(513), bottom = scaled(71);
    int checked = 0;
    for (int y = 0; y < bottom; y += (y + 7 < bottom ? 7 : std::max(1, bottom - 1 - y)))
        for (int x = 0; x < right; x += (x + 13 < right ? 13 : std::max(1, right - 1 - x))) {
            const int from_x = (2 * x + 1) * 96 / (2 * dpi), from_y = (2 * y + 1) * 96 / (2 * dpi);
            int low[3] = {255, 255, 255}, high[3] = {0, 0, 0};
            for (int sy = std::max(0, from_y - 1); sy <= std::min(70, from_y + 1); ++sy)
                for (int sx = std::max(0, from_x - 1); sx <= std::min(521, from_x + 1); ++sx) {
                    const COLORREF c = source(sx, sy);
                    const int channels[3] = {GetRValue(c), GetGValue(c), GetBValue(c)};
                    for (int i = 0; i < 3; ++i) {
                        low[i] = std::min(low[i], channels[i]);
                        high[i] = std::max(high[i], channels[i]);
                    }
                }
            const COLORREF shown = capture.at(x, y);
            const int channels[3] = {GetRValue(shown), GetGValue(shown), GetBValue(shown)};
            for (int i = 0; i < 3; ++i)
                EXPECT_TRUE(channels[i] >= low[i] - 2 && channels[i] <= high[i] + 2)
                    << "at " << x << "," << y << " channel " << i << ": " << channels[i]
                    << " outside " << low[i] << ".." << high[i];
            ++checked;
        }
    EXPECT_GT(checked, 100);
    // Cut where the design cuts it: the columns past the control and the
    // rows between the picture and the line under it show the window.
    for (int y = 0; y < scaled(72); ++y)
        for (int x = right; x < capture.width; ++x)
            EXPECT_EQ(capture.at(x, y), grey) << "at " << x << "," << y;
    for (int y = bottom; y < scaled(72); ++y)
        for (int x = 0; x < right; x += 5)
            EXPECT_EQ(capture.at(x, y), grey) << "at " << x << "," << y;
    // Smoothed, not repeated: a stretch that repeats pixels shows only the
    // picture's own colours; a smoothing one blends neighbours into new ones.
    std::set<COLORREF> own;
    for (int y = 0; y < banner.height; ++y)
        for (int x = 0; x < banner.width; ++x)
            own.insert(source(x, y));
    int blended = 0;
    for (int y = 0; y < bottom; ++y)
        for (int x = 0; x < right; ++x)
            blended += own.count(capture.at(x, y)) == 0;
    EXPECT_GT(blended, right * bottom / 10) << "of " << right * bottom;
}

TEST_F(Wizard, AtOtherResolutionsThePagePictureIsDrawnAtTheScaledSize) {
    const int dpi = display_dpi();
    if (dpi == 96) GTEST_SKIP() << "at 96 dots per inch the icons are drawn as they are";
    create_forms();
    show();
    form().rb1->set_checked(true);
    next();
    next(); // the path page shows the folder icon
    const Capture capture = painted_client(form().handle());
    const COLORREF grey = RGB(221, 221, 221);
    const int left = scaled(40), top = scaled(96), size = scaled(32);
    // The folder icon's largest image, 48 x 48, drawn on the window colour.
    const platform::UniqueIcon icon(static_cast<HICON>(
        ::LoadImageA(::GetModuleHandleA(nullptr), "#101", IMAGE_ICON, 48, 48, LR_DEFAULTCOLOR)));
    ASSERT_TRUE(icon);
    ICONINFO parts = {};
    ASSERT_TRUE(::GetIconInfo(icon.get(), &parts));
    const platform::GdiObject colour(parts.hbmColor), mask(parts.hbmMask);
    BITMAP image = {};
    ::GetObjectA(parts.hbmColor, sizeof image, &image);
    ASSERT_EQ(image.bmWidth, 48) << "the folder icon carries a 48 x 48 image";
    // Where the icon covers the window: within its scaled square, nowhere else.
    int covered = 0, outside = 0;
    for (int y = top - 2; y < top + scaled(41); ++y)
        for (int x = left - 2; x < left + scaled(41); ++x) {
            const bool inside = x >= left && y >= top && x < left + size && y < top + size;
            const bool drawn = capture.at(x, y) != grey;
            covered += inside && drawn;
            outside += !inside && drawn;
        }
    EXPECT_EQ(outside, 0);
    EXPECT_GT(covered, size * size / 3) << "of " << size * size;
    if (size != 48) return;
    // At 48 pixels, the 48 x 48 image itself, pixel for pixel.
    HDC screen = ::GetDC(nullptr);
    const platform::GdiObject canvas(::CreateCompatibleBitmap(screen, 48, 48));
    HDC memory = ::CreateCompatibleDC(screen);
    const HGDIOBJ previous = ::SelectObject(memory, canvas.get());
    const platform::GdiObject brush(::CreateSolidBrush(grey));
    RECT all = {0, 0, 48, 48};
    ::FillRect(memory, &all, static_cast<HBRUSH>(brush.get()));
    ::DrawIconEx(memory, 0, 0, icon.get(), 48, 48, 0, nullptr, DI_NORMAL);
    int differing = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 48; ++x)
            differing += ::GetPixel(memory, x, y) != capture.at(left + x, top + y);
    ::SelectObject(memory, previous);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    EXPECT_EQ(differing, 0);
}

// How many pixels of area (client coordinates) differ from the form's colour
// with the text window's text drawn on it as the form painted its labels:
// DrawTextW at the window's corner, in its font and the window-text colour.
int pixels_unlike_painted_text(const Capture &capture, HWND text_window, const RECT &area) {
    const int width = area.right - area.left, height = area.bottom - area.top;
    const RECT at = child_rect(text_window);
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    const platform::GdiObject canvas(::CreateCompatibleBitmap(screen, width, height));
    const platform::GdiObject brush(::CreateSolidBrush(RGB(221, 221, 221)));
    const HGDIOBJ previous = ::SelectObject(memory, canvas.get());
    RECT all = {0, 0, width, height};
    ::FillRect(memory, &all, static_cast<HBRUSH>(brush.get()));
    const HGDIOBJ font = ::SelectObject(
        memory, reinterpret_cast<HGDIOBJ>(::SendMessageW(text_window, WM_GETFONT, 0, 0)));
    ::SetTextColor(memory, ::GetSysColor(COLOR_WINDOWTEXT));
    ::SetBkMode(memory, TRANSPARENT);
    RECT text = {at.left - area.left, at.top - area.top, at.right - area.left,
                 at.bottom - area.top};
    ::DrawTextW(memory, wide(text_of(text_window)).c_str(), -1, &text,
                DT_LEFT | DT_NOPREFIX | DT_NOCLIP);
    int differing = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            differing += ::GetPixel(memory, x, y) != capture.at(area.left + x, area.top + y);
    ::SelectObject(memory, font);
    ::SelectObject(memory, previous);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return differing;
}

// Over the window and whatever the text would cover painted from its corner.
int pixels_unlike_painted_text(const Capture &capture, HWND text_window) {
    const RECT window = child_rect(text_window);
    RECT painted = window;
    HDC screen = ::GetDC(nullptr);
    const HGDIOBJ font = ::SelectObject(
        screen, reinterpret_cast<HGDIOBJ>(::SendMessageW(text_window, WM_GETFONT, 0, 0)));
    ::DrawTextW(screen, wide(text_of(text_window)).c_str(), -1, &painted,
                DT_CALCRECT | DT_LEFT | DT_NOPREFIX);
    ::SelectObject(screen, font);
    ::ReleaseDC(nullptr, screen);
    RECT area;
    ::UnionRect(&area, &window, &painted);
    return pixels_unlike_painted_text(capture, text_window, area);
}

// Run at every resolution (tests/run-at-dpi.sh too).
TEST_F(Wizard, TextsLookAsThePaintedLabelsDid) {
    create_forms();
    show();
    form().rb1->set_checked(true);
    next();
    next();
    Capture capture = painted_client(form().handle());
    EXPECT_EQ(pixels_unlike_painted_text(capture, form().Label2->handle()), 0) << "path page";
    EXPECT_EQ(stacked_against_the_description(form()), "");
    close_forms();

    create_forms();
    show();
    PacingRecorder recorder;
    remove_through_the_wizard(form());
    capture = painted_client(form().handle());
    EXPECT_EQ(pixels_unlike_painted_text(capture, form().Label2->handle()), 0) << "heading";
    EXPECT_EQ(pixels_unlike_painted_text(capture, form().Label1->handle()), 0) << "status";
    EXPECT_EQ(stacked_against_the_description(form()), "");
    // The status line fits each new text, and what it shows is repainted
    // (not the whole window): nothing of a longer text stays.
    form().Label1->set_text(L"delete Files from C:\\Program Files\\Tolmera\\");
    const RECT longer = child_rect(form().Label1->handle());
    process();
    form().Label1->set_text(L"unstall has finish!");
    process();
    ::Sleep(200);
    capture = capture_window(form().handle());
    EXPECT_LT(child_rect(form().Label1->handle()).right, longer.right);
    EXPECT_EQ(pixels_unlike_painted_text(capture, form().Label1->handle(), longer), 0);

    int dialog_differing = -1;
    DialogWatcher watcher([&](HWND dialog) {
        ::Sleep(300);
        const Capture shown = capture_window(dialog);
        dialog_differing = 0;
        for (auto *label : {alarm().Label1, alarm().Label2, alarm().Label3})
            dialog_differing += pixels_unlike_painted_text(shown, label->handle());
        press(find_child(dialog, "Button", "Resume"));
    });
    form().Button3Click(*form().Button3);
    EXPECT_EQ(dialog_differing, 0) << "cancel dialog";
}

} // namespace
