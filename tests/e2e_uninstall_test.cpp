// The real setup program, started as its own process and driven from
// outside: removing an installation, and the program file removing itself
// once the program has ended.
#include "support/environment.h"
#include "support/installed_product.h"
#include "support/registry_state.h"
#include "support/setup_driver.h"
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

const char kScript[] = "$$a$$.bat";
// The self-removal script retries once a second until the program has ended.
const unsigned kSelfRemovalMs = 15000;

class Uninstall : public ::testing::Test {
protected:
    void SetUp() override {
        remove_product(directory);
        elsewhere = scratch_directory("e2e-elsewhere");
        SetupDriver setup(path_from_environment("INSTAL_EXE"));
        ASSERT_TRUE(setup.has_window());
        ASSERT_TRUE(setup.install_to(directory)) << setup.box_on_screen();
        setup.next();
        ASSERT_TRUE(setup.process().wait_for_exit());
    }
    void TearDown() override {
        remove_product(directory);
        remove_tree(elsewhere);
    }

    const std::string directory = default_install_directory();
    const std::string uninstaller = directory + "install.exe";
    std::string elsewhere; // a scratch folder for copies of the setup program
};

} // namespace

TEST_F(Uninstall, FromTheInstalledCopyRemovesEverythingAndThenItself) {
    SetupDriver setup(uninstaller);
    ASSERT_TRUE(setup.has_window());
    EXPECT_TRUE(is_shown(setup.control("rb2")));
    EXPECT_TRUE(is_checked(setup.control("rb2")));
    EXPECT_FALSE(is_checked(setup.control("rb1")));
    EXPECT_TRUE(is_enabled(setup.control("Button1")));
    EXPECT_TRUE(is_enabled(setup.control("Button2")));
    EXPECT_EQ(directory, text_of(setup.control("Edit1")));

    setup.next();
    ASSERT_TRUE(setup.wait_for_next_caption("finish")) << setup.box_on_screen();
    expect_removed(directory);
    EXPECT_FALSE(exists(programs_sub_folder()));
    EXPECT_TRUE(exists(uninstaller)) << "removed while the program still runs";

    setup.next();
    ASSERT_TRUE(setup.process().wait_for_exit());
    EXPECT_EQ(0u, setup.process().exit_code());
    EXPECT_TRUE(wait_until_gone(uninstaller, kSelfRemovalMs));
    EXPECT_TRUE(wait_until_gone(directory + kScript, kSelfRemovalMs));
    EXPECT_TRUE(exists(directory)) << "the install directory is never removed";
}

TEST_F(Uninstall, FromASetupProgramElsewhereRemovesThatProgram) {
    const std::string copy = copy_program(elsewhere);
    SetupDriver setup(copy);
    ASSERT_TRUE(setup.has_window());
    EXPECT_TRUE(is_shown(setup.control("Memo1"))) << "not run from the recorded directory";
    ASSERT_TRUE(setup.uninstall()) << setup.box_on_screen();
    expect_removed(directory);
    setup.next();
    ASSERT_TRUE(setup.process().wait_for_exit());
    EXPECT_EQ(0u, setup.process().exit_code());

    EXPECT_TRUE(wait_until_gone(copy, kSelfRemovalMs));
    EXPECT_TRUE(wait_until_gone(elsewhere + "\\" + kScript, kSelfRemovalMs));
    EXPECT_TRUE(exists(uninstaller));
    EXPECT_FALSE(exists(directory + kScript));
}

TEST_F(Uninstall, LeavesTheApplicationWhileItRuns) {
    ProgramRun application(directory + "Tolmera.exe", directory);
    ASSERT_TRUE(application.wait_for_window("Corvanta")) << "the application did not start";

    SetupDriver setup(uninstaller);
    ASSERT_TRUE(setup.has_window());
    setup.next();
    ASSERT_TRUE(setup.wait_for_next_caption("finish")) << setup.box_on_screen();
    setup.next();
    ASSERT_TRUE(setup.process().wait_for_exit());
    EXPECT_TRUE(wait_until_gone(uninstaller, kSelfRemovalMs));

    EXPECT_TRUE(exists(directory + "Tolmera.exe"));
    for (const char *name : {"misuc.dat", "readme.chm", "orderform.htm", "Tolmera.xml"})
        EXPECT_FALSE(exists(directory + name)) << name;
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, "SOFTWARE\\tolmera"));
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE,
                            "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Corvanta"));
    for (const auto &shortcut : expected_shortcuts(directory))
        EXPECT_FALSE(exists(shortcut.path)) << shortcut.path;
    EXPECT_FALSE(exists(programs_sub_folder()));

    ::PostMessageA(application.wait_for_window("Corvanta"), WM_CLOSE, 0, 0);
    EXPECT_TRUE(application.wait_for_exit());
}

TEST_F(Uninstall, KeepsAUsersFileInTheProgramsSubFolder) {
    const std::string users_file = programs_sub_folder() + "\\My notes.txt";
    write_text_file(users_file, "mine\r\n");

    SetupDriver setup(uninstaller);
    ASSERT_TRUE(setup.has_window());
    setup.next();
    ASSERT_TRUE(setup.wait_for_next_caption("finish")) << setup.box_on_screen();
    expect_removed(directory);
    EXPECT_EQ("mine\r\n", read_file(users_file));
    setup.next();
    ASSERT_TRUE(setup.process().wait_for_exit());
}

TEST_F(Uninstall, ClosingTheWindowDuringTheUninstallLetsItFinishWithoutSelfRemoval) {
    const std::string copy = copy_program(elsewhere);
    SetupDriver setup(copy);
    ASSERT_TRUE(setup.has_window());
    setup.accept_licence();
    setup.next();
    setup.click_control("rb2");
    setup.settle();
    // Both posted: the close waits in the queue behind the click and is
    // handled where the uninstall first lets the window answer.
    click(setup.control("Button2"));
    setup.close_window();

    ASSERT_TRUE(setup.process().wait_for_exit(30000)) << "the program did not end by itself";
    EXPECT_EQ(0u, setup.process().exit_code());
    expect_removed(directory);
    EXPECT_FALSE(exists(elsewhere + "\\" + kScript));
    EXPECT_TRUE(exists(copy));
}

TEST_F(Uninstall, AScriptThatCannotBeWrittenIsReportedAndTheProgramStillEnds) {
    const std::string copy = copy_program(elsewhere);
    // A directory where the script would go: it cannot be created there.
    ASSERT_TRUE(::CreateDirectoryA((elsewhere + "\\" + kScript).c_str(), nullptr));
    SetupDriver setup(copy);
    ASSERT_TRUE(setup.has_window());
    ASSERT_TRUE(setup.uninstall()) << setup.box_on_screen();
    setup.next();

    const ForeignDialog box = setup.wait_for_dialog();
    ASSERT_TRUE(box.window) << "no error box";
    EXPECT_EQ("instal", box.title);
    EXPECT_EQ("File access denied.", box.text);
    EXPECT_TRUE(box.has_icon);
    SetupDriver::press_button(box, "OK");
    ASSERT_TRUE(setup.process().wait_for_exit());
    EXPECT_EQ(0u, setup.process().exit_code());
    ::Sleep(2000); // time a wrongly started script would need to act
    EXPECT_TRUE(exists(copy));
}
