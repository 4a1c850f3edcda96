// The real setup program, started as its own process and driven from
// outside: where it opens for what the registry records, a record it cannot
// read, and leaving through the cancel dialog.
#include "support/capture.h"
#include "support/environment.h"
#include "support/installed_product.h"
#include "support/registry_state.h"
#include "support/setup_driver.h"
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

const char kScript[] = "$$a$$.bat";
const char kLocationKey[] = "SOFTWARE\\tolmera";
// The error box adds a full stop only after a character that sorts after '.'.
const char kTypeError[] = "Invalid data type for 'exepath'";

class StartUp : public ::testing::Test {
protected:
    void SetUp() override {
        remove_product(directory);
        elsewhere = scratch_directory("e2e-startup");
        temp_before = windows_temp_entries();
    }
    void TearDown() override {
        remove_product(directory);
        remove_tree(elsewhere);
    }

    // The setup program placed where an install puts its copy, without an install.
    std::string place_installed_copy() {
        ::CreateDirectoryA(directory.substr(0, directory.size() - 1).c_str(), nullptr);
        return copy_program(directory.substr(0, directory.size() - 1), "install.exe");
    }

    static void expect_licence_page(const SetupDriver &setup) {
        EXPECT_TRUE(is_shown(setup.control("Memo1")));
        EXPECT_EQ("Yes,I Accept", text_of(setup.control("rb1")));
        EXPECT_FALSE(is_enabled(setup.control("Button1")));
        EXPECT_FALSE(is_enabled(setup.control("Button2")));
    }

    void close_and_expect_no_script(SetupDriver &setup, const std::string &beside) const {
        setup.close_window();
        ASSERT_TRUE(setup.process().wait_for_exit());
        EXPECT_EQ(0u, setup.process().exit_code());
        EXPECT_FALSE(exists(beside + kScript));
        EXPECT_EQ(windows_temp_entries(), temp_before) << "a script's folder was made";
    }

    const std::string directory = default_install_directory();
    std::string elsewhere;
    std::vector<std::string> temp_before; // where a self-removal script would go
};

// Every control as a user sees it: shown, enabled, checked and its text.
std::vector<std::string> look_of(const SetupDriver &setup) {
    std::vector<std::string> look;
    for (const char *name :
         {"Button1", "Button2", "Button3", "Button4", "rb1", "rb2", "Memo1", "Edit1", "pb1"}) {
        const HWND control = setup.control(name);
        look.push_back(std::string(name) + (is_shown(control) ? " shown" : " hidden") +
                       (is_enabled(control) ? " on" : " off") +
                       (is_checked(control) ? " checked " : " ") + text_of(control));
    }
    return look;
}

} // namespace

TEST_F(StartUp, FromTheRecordedDirectoryInAnotherLetterCaseOffersRemoval) {
    const std::string copy = place_installed_copy();
    set_string(HKEY_LOCAL_MACHINE, kLocationKey, "exepath", "c:\\program files\\TOLMERA\\");
    SetupDriver setup(copy);
    ASSERT_TRUE(setup.has_window());
    EXPECT_TRUE(is_checked(setup.control("rb2")));
    EXPECT_FALSE(is_shown(setup.control("Memo1")));
    // Hidden until the choice page, its icons are drawn on the first page shown.
    EXPECT_EQ(0, pixels_unlike_icon(setup.window(), 24, 80, "#102", 32) +
                     pixels_unlike_icon(setup.window(), 24, 248, "#103", 32));
    close_and_expect_no_script(setup, directory);
}

TEST_F(StartUp, ARecordInTheShortFormDoesNotMatchTheLongPath) {
    const std::string copy = place_installed_copy();
    char short_form[MAX_PATH + 1] = {};
    ASSERT_NE(0u, ::GetShortPathNameA(directory.c_str(), short_form, MAX_PATH));
    ASSERT_NE(directory, short_form) << "the file system gives no short names";
    set_string(HKEY_LOCAL_MACHINE, kLocationKey, "exepath", short_form);

    SetupDriver setup(copy);
    ASSERT_TRUE(setup.has_window());
    expect_licence_page(setup);
    close_and_expect_no_script(setup, directory);
}

TEST_F(StartUp, ARecordOfTheWrongTypeIsReportedAndRemovalCannotGoOn) {
    set_dword(HKEY_LOCAL_MACHINE, kLocationKey, "exepath", 1);
    const std::string copy = copy_program(elsewhere);
    SetupDriver setup(copy, "", "", SetupDriver::FirstWindow::dialog);

    const ForeignDialog first = setup.wait_for_dialog();
    ASSERT_TRUE(first.window) << "no error box at start";
    EXPECT_EQ("instal", first.title);
    EXPECT_EQ(kTypeError, first.text);
    EXPECT_TRUE(first.has_icon);
    SetupDriver::press_button(first, "OK");
    ASSERT_TRUE(setup.wait_for_main_window());
    expect_licence_page(setup);

    setup.start_uninstall();
    const ForeignDialog second = setup.wait_for_dialog();
    ASSERT_TRUE(second.window) << "no error box on removal";
    EXPECT_EQ("instal", second.title);
    EXPECT_EQ(kTypeError, second.text);
    SetupDriver::press_button(second, "OK");
    setup.settle();
    EXPECT_FALSE(is_enabled(setup.control("Button1")));
    EXPECT_FALSE(is_enabled(setup.control("Button2")));
    EXPECT_FALSE(is_enabled(setup.control("Button3")));

    close_and_expect_no_script(setup, elsewhere + "\\");
    EXPECT_TRUE(exists(copy));
}

// With windows, the directory given on the command line is what the path
// box offers, the rest of the line taken as it stands; the other switches
// change nothing, and nothing is done before the user asks for it.
TEST_F(StartUp, ADirectoryOnTheCommandLineFillsThePathBoxAndTheRestIsIgnored) {
    const std::string log = elsewhere + "\\setup.log";
    const std::string given = "D:\\Some Apps\\Tol mera  ";
    SetupDriver setup(path_from_environment("INSTAL_EXE"), "",
                      "/UNINSTALL /LOG=" + log + " /d=" + given);
    ASSERT_TRUE(setup.has_window()) << setup.box_on_screen();
    expect_licence_page(setup);
    setup.accept_licence();
    setup.next();
    setup.next();
    setup.settle();
    ASSERT_TRUE(is_shown(setup.control("Edit1")));
    EXPECT_EQ(given, text_of(setup.control("Edit1")));
    EXPECT_FALSE(exists(log));
    close_and_expect_no_script(setup, directory);
    EXPECT_FALSE(exists(log));
}

TEST_F(StartUp, ExitSetupInTheCancelDialogEndsTheProgram) {
    SetupDriver setup(path_from_environment("INSTAL_EXE"));
    ASSERT_TRUE(setup.has_window());
    setup.click_control("Button3");
    const ForeignDialog alarm = setup.wait_for_dialog();
    ASSERT_TRUE(alarm.window) << "no cancel dialog";
    EXPECT_EQ("Alarm", alarm.title);
    SetupDriver::press_button(alarm, "Exit Setup");
    ASSERT_TRUE(setup.process().wait_for_exit());
    EXPECT_EQ(0u, setup.process().exit_code());
    EXPECT_FALSE(exists(directory));
}

TEST_F(StartUp, ResumeInTheCancelDialogLeavesEveryControlAsItWas) {
    SetupDriver setup(path_from_environment("INSTAL_EXE"));
    ASSERT_TRUE(setup.has_window());
    const auto resume = [&] {
        const std::vector<std::string> before = look_of(setup);
        setup.click_control("Button3");
        const ForeignDialog alarm = setup.wait_for_dialog();
        ASSERT_TRUE(alarm.window) << "no cancel dialog";
        SetupDriver::press_button(alarm, "Resume");
        EXPECT_TRUE(wait_until([&] { return !::IsWindowVisible(alarm.window); }));
        // Nothing else can follow if Resume ended the program.
        ASSERT_FALSE(setup.process().wait_for_exit(200)) << "Resume ended the program";
        setup.settle();
        EXPECT_TRUE(is_enabled(setup.window()));
        EXPECT_EQ(before, look_of(setup));
    };

    {
        SCOPED_TRACE("licence page");
        ASSERT_NO_FATAL_FAILURE(resume());
    }
    setup.accept_licence();
    setup.next();
    setup.click_control("rb2");
    setup.settle();
    {
        SCOPED_TRACE("choice page, removal chosen");
        ASSERT_NO_FATAL_FAILURE(resume());
    }
    setup.click_control("rb1");
    setup.next();
    setup.set_path("D:\\Somewhere else");
    setup.settle();
    {
        SCOPED_TRACE("path page, path changed");
        ASSERT_NO_FATAL_FAILURE(resume());
    }
    close_and_expect_no_script(setup, directory);
}

// One setup at a time: beside an open wizard a run without windows does
// nothing, not even its log, and a second wizard hands over to the first.
TEST_F(StartUp, BesideAnOpenWizardAnotherSetupDoesNothing) {
    SetupDriver first(path_from_environment("INSTAL_EXE"));
    ASSERT_TRUE(first.has_window());
    const std::string log = elsewhere + "\\setup.log";
    const std::string copy = copy_program(elsewhere); // another file, the same product
    for (const std::string &program : {path_from_environment("INSTAL_EXE"), copy}) {
        SCOPED_TRACE(program);
        const UnattendedResult unattended = run_unattended(program, "/S /LOG=" + log);
        ASSERT_TRUE(unattended.ended);
        EXPECT_EQ(1618u, unattended.exit_code);
        EXPECT_EQ("", unattended.window_seen);
        EXPECT_FALSE(exists(log));
        EXPECT_FALSE(exists(directory));
        EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, kLocationKey));

        // Another window in front first: the second brings the first forward.
        const HWND other = ::CreateWindowExA(0, "STATIC", "in front", WS_POPUP | WS_VISIBLE, 0, 0,
                                             50, 50, nullptr, nullptr, nullptr, nullptr);
        ::SetForegroundWindow(other);
        ASSERT_EQ(other, ::GetForegroundWindow());
        const UnattendedResult wizard = run_unattended(program, "");
        EXPECT_TRUE(wait_until([&] { return ::GetForegroundWindow() == first.window(); }, 2000))
            << "the open wizard was not brought forward";
        ::DestroyWindow(other);
        ASSERT_TRUE(wizard.ended);
        EXPECT_EQ(0u, wizard.exit_code);
        EXPECT_EQ("", wizard.window_seen);
    }
    // The first goes on as if nothing had happened, and once it has ended
    // the next one runs.
    EXPECT_TRUE(is_shown(first.control("Memo1")));
    close_and_expect_no_script(first, directory);
    const UnattendedResult after = run_unattended(copy, "/S /LOG=" + log);
    EXPECT_EQ(0u, after.exit_code);
    expect_complete_install(directory, kForAllUsers);
}

// Anybody may take the lock's name first, as a mutex or as another kind of
// object: setup then does nothing and says so, with 1618; a wizard in the
// system's own words, in a box.
TEST_F(StartUp, ALockTakenByAnybodyDelaysSetupWithAnHonest1618) {
    const std::string program = path_from_environment("INSTAL_EXE");
    for (const bool mutex : {true, false}) {
        SCOPED_TRACE(mutex ? "a mutex" : "an event");
        const char kName[] = "Global\\Corvanta.Setup";
        const HANDLE squatter = mutex ? ::CreateMutexA(nullptr, FALSE, kName)
                                      : ::CreateEventA(nullptr, TRUE, FALSE, kName);
        EXPECT_EQ(1618u, run_unattended(program, "/S").exit_code);
        EXPECT_FALSE(exists(directory));
        SetupDriver setup(program, "", "", SetupDriver::FirstWindow::dialog);
        const ForeignDialog box = setup.wait_for_dialog();
        EXPECT_EQ("Setup-Corvanta 1.21", box.title);
        EXPECT_EQ("Installation already running.", box.text); // Wine's text for 1618
        if (box.window) SetupDriver::press_button(box, "OK");
        EXPECT_TRUE(setup.process().wait_for_exit());
        EXPECT_EQ(1618u, setup.process().exit_code());
        ::CloseHandle(squatter);
    }
}

// "/?": the switches and exit codes in a box, and no wizard.
TEST_F(StartUp, AQuestionMarkListsTheSwitchesAndEndsWhenTheBoxIsClosed) {
    SetupDriver setup(path_from_environment("INSTAL_EXE"), "", "/?",
                      SetupDriver::FirstWindow::dialog);
    const ForeignDialog box = setup.wait_for_dialog();
    ASSERT_TRUE(box.window) << "no box";
    EXPECT_EQ("Setup-Corvanta 1.21", box.title);
    for (const char *listed :
         {"/S", "/LOG=", "/UNINSTALL", "/D=", "/?", "3010", "1603", "1605", "1618", "1638", "87"})
        EXPECT_NE(box.text.find(listed), std::string::npos) << listed << " in " << box.text;
    EXPECT_EQ(nullptr, ::FindWindowA("InstalForm", nullptr)) << "the wizard was made";
    SetupDriver::press_button(box, "OK");
    ASSERT_TRUE(setup.process().wait_for_exit());
    EXPECT_EQ(0u, setup.process().exit_code());
    EXPECT_FALSE(exists(directory));
}
