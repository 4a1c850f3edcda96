// The real program meeting the faults a user's machine can have: folders it
// cannot write, a full disk, a missing drive, odd registry data, a user who
// closes the window half way. Each case checks what the program reports,
// what it leaves, and that nothing of the user's is lost.
#include "product/manifest.h"
#include "support/environment.h"
#include "support/text.h"
#include "support/installed_product.h"
#include "support/registry_state.h"
#include "support/setup_driver.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>

using namespace testing_support;

namespace {

constexpr char kUserFile[] = "notes.txt";
constexpr char kUserText[] = "the user's own notes\r\n";

// Prints how many cases held once all have run.
class MatrixSummary : public ::testing::Environment {
public:
    void TearDown() override {
        const auto &run = *::testing::UnitTest::GetInstance();
        std::printf("fault matrix: %d of %d cases held", run.successful_test_count(),
                    run.test_to_run_count());
        if (run.skipped_test_count()) std::printf(" (%d skipped)", run.skipped_test_count());
        std::printf("\n");
    }
};
const auto *const summary = ::testing::AddGlobalTestEnvironment(new MatrixSummary); // gtest owns it

std::string script_beside(const std::string &program) {
    return program.substr(0, program.rfind('\\') + 1) + utf8(manifest::kSelfRemovalScript);
}

bool read_only(const std::string &path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

bool is_directory(const std::string &path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Presses Next to start the procedure and closes the window at once. The
// close waits in the queue behind the click and reaches the program at the
// procedure's first point of message processing.
void next_and_close(const SetupDriver &setup) {
    click(setup.control("Button2"));
    setup.close_window();
}

class FaultMatrix : public ::testing::Test {
protected:
    void SetUp() override {
        delete_product_keys();
        // A folder of its own for each case: a self-removal script started
        // by one case must never find a program of the next.
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        for (auto &c : name)
            if (c == '/') c = '-';
        programs_ = scratch_directory("fault-" + name);
        target_ = scratch_directory("fault-target") + "\\";
        write_text_file(target_ + kUserFile, kUserText);
    }
    void TearDown() override {
        EXPECT_EQ(read_file(target_ + kUserFile), kUserText) << "the user's file was lost";
        remove_product(target_);
        remove_tree(programs_);
        for (const auto &path : also_remove_)
            remove_tree(path);
    }

    // A fresh copy of the program under name, beside the other copies.
    std::string program(const char *name) const { return copy_program(programs_, name); }

    // Installs into directory with program and ends the wizard with Finish.
    static void install(const std::string &program, const std::string &directory) {
        SetupDriver setup(program);
        ASSERT_TRUE(setup.has_window());
        if (!setup.install_to(directory)) {
            const ForeignDialog box = setup.wait_for_dialog(0);
            FAIL() << "the install did not finish: " << box.title << ": " << box.text;
        }
        setup.next();
        ASSERT_TRUE(setup.process().wait_for_exit());
    }

    // Ends an uninstall with finish and waits until the program's file and
    // its script's folder are gone, so that no script outlives the case.
    void finish_uninstall(SetupDriver &remover, const std::string &program) const {
        remover.next();
        EXPECT_TRUE(remover.process().wait_for_exit());
        EXPECT_TRUE(wait_until_gone(program, 90000)) << "no self-removal";
        EXPECT_TRUE(wait_until_windows_temp_holds(temp_before_, 15000))
            << "the script's folder stayed";
        EXPECT_FALSE(exists(script_beside(program)));
    }

    // The box the program shows next, checked and answered with OK.
    static void expect_box(const SetupDriver &setup, const std::string &title,
                           const std::string &text, bool icon = true) {
        const ForeignDialog box = setup.wait_for_dialog();
        ASSERT_NE(box.window, nullptr) << "no box with \"" << text << "\"";
        EXPECT_EQ(box.title, title);
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(box.has_icon, icon);
        SetupDriver::press_button(box, "OK");
        setup.settle();
    }

    // After an error the wizard cannot go on: only the close box ends it,
    // and it starts no self-removal.
    void expect_stuck_then_closed(SetupDriver &setup, const std::string &program) const {
        for (const char *button : {"Button1", "Button2", "Button3"})
            EXPECT_FALSE(is_enabled(setup.control(button))) << button;
        setup.close_window();
        EXPECT_TRUE(setup.process().wait_for_exit());
        EXPECT_EQ(setup.process().exit_code(), 0u);
        // Give a script, had one been started, time to do its work.
        ::Sleep(2000);
        EXPECT_TRUE(exists(program)) << "the program removed itself";
        EXPECT_FALSE(exists(script_beside(program)));
        EXPECT_EQ(windows_temp_entries(), temp_before_) << "a script's folder was made";
    }

    static void expect_no_registry_records() {
        EXPECT_FALSE(key_exists(manifest::kMachineRoot, utf8(manifest::kInstalledLocationKey)));
        EXPECT_FALSE(key_exists(manifest::kMachineRoot, utf8(manifest::kUninstallKey)));
    }

    std::string programs_, target_;
    std::vector<std::string> also_remove_;
    // Where self-removal scripts go, each in a folder of its own.
    const std::vector<std::string> temp_before_ = windows_temp_entries();
};

// --- Installing ----------------------------------------------------------------

TEST_F(FaultMatrix, TargetThatCannotBeWrittenNamesTheFileAndRecordsNothing) {
    // As root, file modes do not stop Wine; a directory in the way of the
    // first file does.
    const std::string blocker = target_ + "Tolmera.exe";
    ::CreateDirectoryA(blocker.c_str(), nullptr);
    write_text_file(blocker + "\\" + kUserFile, kUserText);

    const std::string setup_program = program("instal.exe");
    SetupDriver setup(setup_program);
    setup.start_install(target_);
    expect_box(setup, "instal", "Cannot create file " + target_ + "Tolmera.exe.");
    expect_stuck_then_closed(setup, setup_program);

    expect_no_registry_records();
    EXPECT_EQ(read_file(blocker + "\\" + kUserFile), kUserText);
    EXPECT_FALSE(exists(target_ + "misuc.dat"));
    EXPECT_FALSE(exists(target_ + "install.exe"));
}

// The uninstaller copy, written first under another name, finds the disk
// full before any of the five files is written.
TEST_F(FaultMatrix, DiskFullIsFoundWithTheUninstallerCopyBeforeTheFirstFile) {
    const std::string root = small_drive();
    ASSERT_FALSE(root.empty());
    const std::string directory = root + "Tolmera\\";
    also_remove_ = {root + "Tolmera", root + kUserFile, root + "filler"};
    write_text_file(root + kUserFile, kUserText);
    // The application alone is larger than what is left.
    fill_drive(root, 64 * 1024);
    ASSERT_GT(read_file(path_from_environment("INSTAL_APPLICATION_FILE")).size(), 64u * 1024);

    const std::string setup_program = program("instal.exe");
    SetupDriver setup(setup_program);
    setup.start_install(directory);
    expect_box(setup, "instal", "Cannot create file " + directory + "install.exe.");
    expect_stuck_then_closed(setup, setup_program);

    expect_no_registry_records();
    EXPECT_FALSE(exists(directory + "Tolmera.exe"));
    EXPECT_FALSE(exists(directory + "install.exe"));
    EXPECT_FALSE(exists(directory + "install.exe.new"));
    EXPECT_EQ(read_file(root + kUserFile), kUserText);
}

TEST_F(FaultMatrix, MissingDriveFailsToMakeTheDirectoryAndWritesNothing) {
    ASSERT_FALSE(is_directory("Q:\\")) << "this case needs a machine without a drive Q:";
    const std::string setup_program = program("instal.exe");
    SetupDriver setup(setup_program);
    setup.start_install("Q:\\Tolmera");
    expect_box(setup, "OOooooP", "fail to make dir!", false);
    EXPECT_TRUE(text_of(setup.control("Button2")) != "Finish");
    expect_stuck_then_closed(setup, setup_program);

    expect_no_registry_records();
    EXPECT_FALSE(is_directory("Q:\\Tolmera"));
    for (const auto &shortcut : expected_shortcuts("Q:\\Tolmera\\"))
        EXPECT_FALSE(exists(shortcut.path)) << shortcut.path;
}

// A folder made beforehand that anybody may change: what setup left there
// could be swapped later for what an administrator then runs.
TEST_F(FaultMatrix, FolderAnybodyMayChangeFailsToMakeTheDirectoryAndWritesNothing) {
    ASSERT_TRUE(set_access_list(target_, "D:P(A;OICI;FA;;;WD)"));
    ASSERT_NE(access_list_of(target_).find("S-1-1-0 1301ff"), std::string::npos);
    const std::string setup_program = program("instal.exe");
    SetupDriver setup(setup_program);
    setup.start_install(target_);
    expect_box(setup, "OOooooP", "fail to make dir!", false);
    expect_stuck_then_closed(setup, setup_program);

    expect_no_registry_records();
    for (const auto &payload : manifest::kPayloads)
        EXPECT_FALSE(exists(target_ + utf8(payload.file))) << utf8(payload.file);
    EXPECT_FALSE(exists(target_ + "install.exe"));
    for (const auto &shortcut : expected_shortcuts(target_))
        EXPECT_FALSE(exists(shortcut.path)) << shortcut.path;
}

TEST_F(FaultMatrix, ReadOnlySetupProgramLeavesAnUninstallerThatCanRemoveItself) {
    // As from a CD: the setup program's file is read-only.
    const std::string setup_program = program("instal.exe");
    ::SetFileAttributesA(setup_program.c_str(), FILE_ATTRIBUTE_READONLY);
    install(setup_program, target_);
    const std::string uninstaller = target_ + "install.exe";
    ASSERT_TRUE(exists(uninstaller));
    EXPECT_FALSE(read_only(uninstaller));

    SetupDriver remover(uninstaller);
    ASSERT_TRUE(remover.has_window());
    EXPECT_TRUE(is_checked(remover.control("rb2"))) << "not opened as the uninstaller";
    ASSERT_TRUE(remover.uninstall());
    finish_uninstall(remover, uninstaller);
    expect_removed(target_);
}

TEST_F(FaultMatrix, SecondInstallOverTheFirstIsComplete) {
    const std::string setup_program = program("instal.exe");
    install(setup_program, target_);
    install(setup_program, target_);
    expect_complete_install(target_);
}

TEST_F(FaultMatrix, InstallAgainAfterAnUninstallIsComplete) {
    install(program("instal.exe"), target_);
    {
        const std::string remover_program = program("remover.exe");
        SetupDriver remover(remover_program);
        ASSERT_TRUE(remover.uninstall());
        finish_uninstall(remover, remover_program);
    }
    expect_removed(target_);
    install(program("instal.exe"), target_);
    expect_complete_install(target_);
}

// Closed while the install runs, from the path page as it opened (the
// default choice, the offered folder) or with install chosen and a folder
// typed: the install completes, the program ends by itself with 0, and no
// self-removal is started.
TEST_F(FaultMatrix, WindowClosedDuringTheInstallLetsItComplete) {
    for (const bool typed : {false, true}) {
        SCOPED_TRACE(typed ? "install chosen, a folder typed" : "as the path page opened");
        const std::string directory = typed ? target_ : default_install_directory();
        if (!typed) remove_product(directory);
        const std::string setup_program = program("instal.exe");
        SetupDriver setup(setup_program);
        ASSERT_TRUE(setup.has_window());
        setup.accept_licence();
        setup.next();
        if (typed) setup.click_control("rb1");
        setup.next();
        if (typed) setup.set_path(target_);
        next_and_close(setup);
        ASSERT_TRUE(setup.process().wait_for_exit(30000)) << "the program did not end";
        EXPECT_EQ(setup.process().exit_code(), 0u);
        expect_complete_install(directory);
        EXPECT_FALSE(exists(script_beside(setup_program)));
        EXPECT_FALSE(exists(directory + utf8(manifest::kSelfRemovalScript)));
        EXPECT_TRUE(exists(setup_program));
        EXPECT_EQ(windows_temp_entries(), temp_before_) << "a script's folder was made";
        if (!typed) remove_product(directory);
    }
}

// --- Uninstalling --------------------------------------------------------------

TEST_F(FaultMatrix, RunningApplicationStaysAndEverythingElseGoes) {
    install(program("instal.exe"), target_);
    ProgramRun application(target_ + "Tolmera.exe");
    ASSERT_NE(application.wait_for_window("Corvanta"), nullptr) << "the application did not start";

    const std::string remover_program = program("remover.exe");
    SetupDriver remover(remover_program);
    ASSERT_TRUE(remover.uninstall());
    EXPECT_TRUE(exists(target_ + "Tolmera.exe"));
    for (const char *gone : {"misuc.dat", "readme.chm", "orderform.htm", "Tolmera.xml"})
        EXPECT_FALSE(exists(target_ + gone)) << gone;
    for (const auto &shortcut : expected_shortcuts(target_))
        EXPECT_FALSE(exists(shortcut.path)) << shortcut.path;
    EXPECT_FALSE(exists(programs_sub_folder()));
    expect_no_registry_records();
    finish_uninstall(remover, remover_program);
}

TEST_F(FaultMatrix, NonTextInstalledLocationStopsTheUninstallBeforeAnyDeletion) {
    install(program("instal.exe"), target_);
    const auto shortcuts = expected_shortcuts(target_);
    const std::string remover_program = program("remover.exe");
    SetupDriver remover(remover_program);
    ASSERT_TRUE(remover.has_window());
    // Changed after start-up, so that only the uninstall meets it.
    set_dword(manifest::kMachineRoot, utf8(manifest::kInstalledLocationKey),
              utf8(manifest::kInstalledLocationValue), 1);
    remover.start_uninstall();
    // The message ends in a quotation mark, which sorts before the full stop.
    expect_box(remover, "remover", "Invalid data type for 'exepath'");
    expect_stuck_then_closed(remover, remover_program);

    for (const auto &file : carried_files())
        EXPECT_TRUE(exists(target_ + file.name)) << file.name;
    EXPECT_TRUE(exists(target_ + "install.exe"));
    for (const auto &shortcut : shortcuts)
        EXPECT_TRUE(exists(shortcut.path)) << shortcut.path;
    EXPECT_TRUE(key_exists(manifest::kMachineRoot, utf8(manifest::kUninstallKey)));
}

// Each folder value of the shell-folders key stored as a number: it names
// no folder, and what lies there stays. The removal without windows goes on
// and its log names the value; an install with it completes too.
class NonTextShellFolder : public FaultMatrix,
                           public ::testing::WithParamInterface<const char *> {};

TEST_P(NonTextShellFolder, NamesNoFolderAndTheRemovalAndAnInstallStillComplete) {
    const ShellFoldersGuard restore_folders;
    const std::string setup_program = program("instal.exe");
    install(setup_program, target_);
    const auto shortcuts = expected_shortcuts(target_);
    const std::string name = GetParam();
    set_dword(manifest::kUserRoot, utf8(manifest::kShellFoldersKey), name, 1);

    const std::string uninstaller = target_ + "install.exe", log = programs_ + "\\removal.log";
    const UnattendedResult run = run_unattended(uninstaller, "/S /UNINSTALL /LOG=" + log);
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(0u, run.exit_code);
    EXPECT_NE(read_file(log).find("\r\nfolder skipped: HKEY_CURRENT_USER\\" +
                                  utf8(manifest::kShellFoldersKey) + "\\" + name +
                                  " (system error 1804)\r\n"),
              std::string::npos)
        << read_file(log);
    for (const auto &file : carried_files())
        EXPECT_FALSE(exists(target_ + file.name)) << file.name;
    const auto [first_kept, last_kept] = name == "Desktop"      ? std::make_pair(0u, 1u)
                                         : name == "Start Menu" ? std::make_pair(2u, 2u)
                                                                : std::make_pair(3u, 5u);
    for (std::size_t i = 0; i < shortcuts.size(); ++i)
        EXPECT_EQ(exists(shortcuts[i].path), i >= first_kept && i <= last_kept)
            << shortcuts[i].path;
    expect_no_registry_records();
    EXPECT_TRUE(wait_until_gone(uninstaller, 90000)) << "no self-removal";
    EXPECT_TRUE(wait_until_windows_temp_holds(temp_before_, 15000)) << "the script's folder stayed";

    install(setup_program, target_);
}

INSTANTIATE_TEST_SUITE_P(FaultMatrix, NonTextShellFolder,
                         ::testing::Values("Desktop", "Start Menu", "Programs"),
                         [](const auto &info) {
                             return std::string(info.param) == "Start Menu" ? "StartMenu"
                                                                            : info.param;
                         });

// Files and folders of the user's with the names the program uses, at the
// root of the current drive, where a path from an empty folder value points.
class EmptyShellFolders : public FaultMatrix {
protected:
    void SetUp() override {
        FaultMatrix::SetUp();
        working_ = scratch_directory("fault-working");
        also_remove_ = {working_};
        for (const char *name : {"Desktop", "Start Menu", "Programs"})
            set_string(manifest::kUserRoot, utf8(manifest::kShellFoldersKey), name, "");
    }

    std::string working_;
    const ShellFoldersGuard restore_folders_; // made before the values are emptied
};

TEST_F(EmptyShellFolders, InstallMakesNothingAtTheDriveRoot) {
    ASSERT_FALSE(exists("C:\\Tolmera")) << "left over from elsewhere";
    SetupDriver setup(program("instal.exe"), working_);
    ASSERT_TRUE(setup.install_to(target_));
    setup.next();
    ASSERT_TRUE(setup.process().wait_for_exit());
    EXPECT_FALSE(exists("C:\\Tolmera"));
    for (const char *link : {"C:\\Corvanta.lnk", "C:\\Readme.lnk"})
        EXPECT_FALSE(exists(link));
    for (const auto &file : carried_files())
        EXPECT_TRUE(exists(target_ + file.name));
}

TEST_F(EmptyShellFolders, UninstallDeletesNothingAtTheDriveRoot) {
    const std::vector<std::string> decoys = {
        "C:\\Corvanta.lnk",           "C:\\Readme.lnk",          "C:\\Tolmera\\Corvanta.lnk",
        "C:\\Tolmera\\Uninstall.lnk", "C:\\Tolmera\\Readme.lnk",
    };
    ASSERT_FALSE(exists("C:\\Tolmera")) << "left over from elsewhere";
    ::CreateDirectoryA("C:\\Tolmera", nullptr);
    also_remove_.insert(also_remove_.end(), {"C:\\Tolmera", decoys[0], decoys[1]});
    for (const auto &decoy : decoys)
        write_text_file(decoy, kUserText);
    set_string(manifest::kMachineRoot, utf8(manifest::kInstalledLocationKey),
               utf8(manifest::kInstalledLocationValue), target_);

    const std::string remover_program = program("remover.exe");
    SetupDriver remover(remover_program, working_);
    ASSERT_TRUE(remover.uninstall());
    finish_uninstall(remover, remover_program);
    for (const auto &decoy : decoys)
        EXPECT_EQ(read_file(decoy), kUserText) << decoy;
}

TEST_F(FaultMatrix, EmptyRecordedLocationLeavesFilesInTheCurrentDirectory) {
    const std::string working = scratch_directory("fault-working");
    also_remove_ = {working};
    for (const auto &file : carried_files())
        write_text_file(working + "\\" + file.name, kUserText);
    set_string(manifest::kMachineRoot, utf8(manifest::kInstalledLocationKey),
               utf8(manifest::kInstalledLocationValue), "");

    const std::string remover_program = program("remover.exe");
    SetupDriver remover(remover_program, working);
    ASSERT_TRUE(remover.uninstall());
    finish_uninstall(remover, remover_program);
    for (const auto &file : carried_files())
        EXPECT_EQ(read_file(working + "\\" + file.name), kUserText) << file.name;
}

// Closed while the removal runs, by a setup program elsewhere or by another
// copy, of the installation in the default folder or in one typed: the
// removal completes, the program ends by itself with 0, and removes
// nothing of itself.
TEST_F(FaultMatrix, WindowClosedDuringTheUninstallLetsItCompleteWithoutSelfRemoval) {
    for (const bool typed : {false, true}) {
        SCOPED_TRACE(typed ? "a copy, a folder typed" : "the setup program, the default folder");
        const std::string directory = typed ? target_ : default_install_directory();
        install(program("instal.exe"), directory);
        const std::string remover_program = program(typed ? "remover.exe" : "instal.exe");
        SetupDriver remover(remover_program);
        remover.accept_licence();
        remover.next();
        remover.click_control("rb2");
        remover.settle();
        next_and_close(remover);
        ASSERT_TRUE(remover.process().wait_for_exit(30000)) << "the program did not end";
        EXPECT_EQ(remover.process().exit_code(), 0u);
        expect_removed(directory);
        ::Sleep(2000);
        EXPECT_TRUE(exists(remover_program)) << "the program removed itself";
        EXPECT_FALSE(exists(script_beside(remover_program)));
        EXPECT_EQ(windows_temp_entries(), temp_before_) << "a script's folder was made";
        if (!typed) remove_product(directory);
    }
}

// A script that cannot be written after a removal, of an installation or of
// nothing at all: the standard error box says why, the program still ends
// with 0, and its file stays.
TEST_F(FaultMatrix, ScriptThatCannotBeWrittenIsReportedAndTheProgramStillEnds) {
    for (const bool installed : {true, false}) {
        SCOPED_TRACE(installed ? "an installation" : "nothing installed");
        const std::string directory = default_install_directory();
        if (installed) install(program("instal.exe"), directory);
        const char *const name = installed ? "instal" : "remover";
        const std::string remover_program = program((std::string(name) + ".exe").c_str());
        SetupDriver remover(remover_program);
        ASSERT_TRUE(remover.uninstall()) << remover.box_on_screen();
        {
            // No folder for the script can be made.
            const WindowsTempBlocked blocked;
            ASSERT_TRUE(blocked.blocked());
            remover.next();
            expect_box(remover, name, "Invalid filename.");
            ASSERT_TRUE(remover.process().wait_for_exit()) << "the program did not end";
        }
        EXPECT_EQ(remover.process().exit_code(), 0u);
        ::Sleep(2000); // time a wrongly started script would need to act
        EXPECT_TRUE(exists(remover_program));
        EXPECT_EQ(windows_temp_entries(), temp_before_) << "a script's folder was made";
        remove_product(directory);
    }
}

} // namespace
