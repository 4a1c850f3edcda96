// The real setup program, started as its own process and driven from
// outside: removing an installation, and the program file removing itself
// once the program has ended.
#include "platform/security/security.h"
#include "support/environment.h"
#include "support/text.h"
#include "support/installed_product.h"
#include "support/registry_state.h"
#include "support/setup_driver.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <optional>

using namespace testing_support;

namespace {

const char kScript[] = "$$a$$.bat";
// The self-removal script retries once a second until the program has ended;
// its folder goes a few seconds after it.
const unsigned kSelfRemovalMs = 15000;

std::string system_directory() {
    char path[MAX_PATH + 1] = {};
    ::GetSystemDirectoryA(path, MAX_PATH);
    return path;
}

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
        temp_before = windows_temp_entries();
        restart_list.emplace();
    }
    void TearDown() override {
        remove_product(directory);
        remove_tree(elsewhere);
    }

    const std::string directory = default_install_directory();
    const std::string uninstaller = directory + "install.exe";
    std::string elsewhere;                // a scratch folder for copies of the setup program
    std::vector<std::string> temp_before; // Windows\Temp before the uninstall
    // A file in use left to the next restart: nothing of it is left for
    // the prefix's next start.
    std::optional<RestartListGuard> restart_list;
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
    EXPECT_TRUE(wait_until_windows_temp_holds(temp_before, kSelfRemovalMs))
        << "the script's folder stayed";
    EXPECT_FALSE(exists(directory + kScript));
    EXPECT_TRUE(wait_until_gone(directory, kSelfRemovalMs)) << "the empty install directory stayed";
}

// An unattended install puts the shortcuts in every user's folders; a
// removal, with or without windows, takes them from there and from the
// user's own.
TEST_F(Uninstall, TakesTheShortcutsOfEveryUserAndTheUsersOwn) {
    const std::string program = path_from_environment("INSTAL_EXE");
    const std::string all_users_sub_folder = all_users_folders().programs + "\\Tolmera";
    for (const bool unattended : {false, true}) {
        SCOPED_TRACE(unattended ? "unattended" : "wizard");
        if (unattended) { // the wizard's own shortcuts again
            SetupDriver setup(program);
            ASSERT_TRUE(setup.install_to(directory)) << setup.box_on_screen();
            setup.next();
            ASSERT_TRUE(setup.process().wait_for_exit());
        }
        ASSERT_EQ(0u, run_unattended(program, "/S").exit_code);
        for (const UserFolders &folders : {user_folders(), all_users_folders()})
            for (const auto &shortcut : expected_shortcuts(directory, folders))
                ASSERT_TRUE(exists(shortcut.path)) << shortcut.path;

        if (unattended) {
            const UnattendedResult run = run_unattended(uninstaller, "/S");
            ASSERT_TRUE(run.ended);
            EXPECT_EQ(0u, run.exit_code);
        } else {
            SetupDriver setup(uninstaller);
            ASSERT_TRUE(setup.has_window());
            setup.next();
            ASSERT_TRUE(setup.wait_for_next_caption("finish")) << setup.box_on_screen();
            setup.next();
            ASSERT_TRUE(setup.process().wait_for_exit());
        }
        expect_removed(directory);
        EXPECT_FALSE(exists(programs_sub_folder()));
        EXPECT_FALSE(exists(all_users_sub_folder));
        ASSERT_TRUE(wait_until_gone(uninstaller, kSelfRemovalMs));
    }
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
    EXPECT_TRUE(wait_until_windows_temp_holds(temp_before, kSelfRemovalMs))
        << "the script's folder stayed";
    EXPECT_FALSE(exists(elsewhere + "\\" + kScript));
    EXPECT_TRUE(exists(uninstaller));
    EXPECT_FALSE(exists(directory + kScript));
}

TEST_F(Uninstall, SelfRemovalRunsNothingFromTheCurrentDirectoryAndWaitsForTheFile) {
    const std::string copy = copy_program(elsewhere);
    // Programs named like what the script could run, where the uninstaller
    // was started from: each one that runs leaves its name or a window.
    const std::string working = elsewhere + "\\downloads";
    ::CreateDirectoryA(working.c_str(), nullptr);
    const std::string marker = working + "\\ran.txt";
    for (const char *name :
         {"ping.bat", "ping.cmd", "cmd.bat", "cmd.cmd", "del.bat", "del.cmd", "rmdir.bat", "rd.bat",
          "start.bat", "start.cmd", "set.bat", "if.bat", "goto.bat", "exit.bat"})
        write_text_file(working + "\\" + name,
                        "echo " + std::string(name) + ">>\"" + marker + "\"\r\n");
    const std::string application = path_from_environment("INSTAL_APPLICATION_FILE");
    for (const char *name : {"ping.exe", "cmd.exe", "start.exe"})
        ASSERT_TRUE(::CopyFileA(application.c_str(), (working + "\\" + name).c_str(), FALSE));
    // What a folder made with the Program Files access list reads back as.
    ASSERT_TRUE(platform::create_protected_directory(wide(elsewhere + "\\protected")));
    const std::string protected_list = access_list_of(elsewhere + "\\protected");

    SetupDriver setup(copy, working);
    ASSERT_TRUE(setup.has_window());
    ASSERT_TRUE(setup.uninstall()) << setup.box_on_screen();
    // Held open as another program (a virus scanner) might hold it, letting
    // it be moved and deleted: the deletion has to wait until it lets go.
    const HANDLE held =
        ::CreateFileW(wide(copy).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    setup.next();
    ASSERT_TRUE(setup.process().wait_for_exit());

    DWORD interpreter = 0;
    wait_until([&] { return (interpreter = child_process(setup.process().id(), "cmd.exe")) != 0; },
               5000);
    ASSERT_NE(interpreter, 0u) << "no interpreter was started";
    const ProcessStart start = process_start(interpreter);
    const std::string system = system_directory();
    const std::string head =
        "\"" + system + "\\cmd.exe\" /D /E:ON /V:OFF /C \"\"" + windows_temp() + "\\";
    const std::string tail = std::string("\\") + kScript + "\"\"";
    ASSERT_EQ(start.command_line.substr(0, head.size()), head) << start.command_line;
    ASSERT_GT(start.command_line.size(), head.size() + tail.size());
    EXPECT_EQ(start.command_line.substr(start.command_line.size() - tail.size()), tail);
    const std::string folder_name = start.command_line.substr(
        head.size(), start.command_line.size() - head.size() - tail.size());
    EXPECT_EQ(folder_name.size(), 16u) << folder_name;
    EXPECT_EQ(folder_name.find_first_not_of("0123456789abcdef"), std::string::npos) << folder_name;
    EXPECT_EQ(start.current_directory, system + "\\");
    // Its environment is its own, not the user's (the uninstaller's has the
    // user's variables): only what Wine adds to every process besides, and,
    // when the block is read after the script has begun, what the
    // interpreter sets itself (the drive's directory, the prompt) and the
    // script's own counter.
    const std::string windows = windows_temp().substr(0, windows_temp().size() - 5);
    std::vector<std::string> environment;
    for (const auto &variable : start.environment)
        if (variable.rfind("WINE", 0) != 0 && variable.rfind("SystemDrive=", 0) != 0 &&
            variable.rfind('=', 0) != 0 && variable.rfind("PROMPT=", 0) != 0 &&
            variable.rfind("tries=", 0) != 0)
            environment.push_back(variable);
    std::sort(environment.begin(), environment.end());
    EXPECT_EQ(environment,
              (std::vector<std::string>{"ComSpec=" + system + "\\cmd.exe", "PATH=" + system,
                                        "SystemRoot=" + windows, "windir=" + windows}));

    const std::string folder = windows_temp() + "\\" + folder_name;
    EXPECT_TRUE(exists(folder + "\\" + kScript));
    // The program's file was moved there, out of the folder the user controls.
    const std::string moved = folder + "\\$$a$$.exe";
    EXPECT_FALSE(exists(copy));
    EXPECT_TRUE(read_file(moved) == read_file(path_from_environment("INSTAL_EXE")));
    EXPECT_EQ(access_list_of(folder), protected_list);
    // What Wine shows of it: nothing granted to everybody.
    EXPECT_EQ(access_list_of(folder).find("S-1-1-0 "), std::string::npos) << access_list_of(folder);
    std::vector<std::string> expected_temp = temp_before;
    expected_temp.push_back(folder_name);
    std::sort(expected_temp.begin(), expected_temp.end());
    EXPECT_EQ(windows_temp_entries(), expected_temp);

    ::Sleep(4000);
    EXPECT_TRUE(exists(moved)) << "gone while it was held";
    ::CloseHandle(held);
    EXPECT_TRUE(wait_until_gone(moved, kSelfRemovalMs)) << "no removal once the file was free";
    EXPECT_TRUE(wait_until_windows_temp_holds(temp_before, kSelfRemovalMs))
        << "the script's folder stayed";
    EXPECT_FALSE(exists(marker)) << read_file(marker);
    const HWND window = ::FindWindowA(nullptr, "Corvanta");
    EXPECT_EQ(window, nullptr) << "a planted program ran";
    if (window) ::PostMessageA(window, WM_CLOSE, 0, 0);
}

TEST_F(Uninstall, FromFoldersWithPercentSignsRemovesThatProgram) {
    // The interpreter would expand "%" in the path, and run what follows "&".
    for (const char *name : {"50% off", "a%0&x&"}) {
        const std::string folder = elsewhere + "\\" + name;
        ::CreateDirectoryA(folder.c_str(), nullptr);
        const std::string copy = copy_program(folder);
        SetupDriver setup(copy);
        ASSERT_TRUE(setup.has_window()) << name;
        ASSERT_TRUE(setup.uninstall()) << setup.box_on_screen();
        setup.next();
        ASSERT_TRUE(setup.process().wait_for_exit());
        EXPECT_TRUE(wait_until_gone(copy, kSelfRemovalMs)) << name;
        EXPECT_TRUE(wait_until_windows_temp_holds(temp_before, kSelfRemovalMs)) << name;
        EXPECT_TRUE(exists(folder)) << name;
    }
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

// The quiet uninstall command of the entry, as deployment tools run it: no
// window at any moment, not even a hidden one; everything is gone when it
// returns 0, and the uninstaller itself and the emptied install directory
// a moment later. A folder given to it, which only an install could use,
// is refused first, with nothing done.
TEST_F(Uninstall, UnattendedFromTheInstalledCopyRemovesEverythingAndThenItself) {
    const std::string log = elsewhere + "\\removal.log";
    const UnattendedResult refused =
        run_unattended(uninstaller, "/S /LOG=" + log + " /D=" + elsewhere + "\\Tolmera");
    ASSERT_TRUE(refused.ended);
    EXPECT_EQ(87u, refused.exit_code);
    EXPECT_FALSE(exists(log));
    expect_complete_install(directory);
    const UnattendedResult run = run_unattended(uninstaller, "/S /LOG=" + log);
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(0u, run.exit_code);
    EXPECT_EQ("", run.window_seen);
    EXPECT_EQ("", run.window_made);
    expect_removed(directory);
    EXPECT_FALSE(exists(programs_sub_folder()));
    const std::string text = read_file(log);
    const std::string first = text.substr(0, text.find("\r\n") + 2);
    EXPECT_NE(first.find(" Setup-Corvanta 1.21: \"" + uninstaller + "\" /S /LOG=" + log + "\r\n"),
              std::string::npos)
        << first;
    EXPECT_EQ(first +
                  "delete Key from HKEY_LOCAL_MACHINE\\SOFTWARE\\tolmera\r\ndelete Files from " +
                  directory +
                  "\r\ndelete Desktop icon and  links\r\nunstall has finish!\r\nexit code 0\r\n",
              text);
    EXPECT_TRUE(wait_until_gone(uninstaller, kSelfRemovalMs));
    EXPECT_TRUE(wait_until_windows_temp_holds(temp_before, kSelfRemovalMs))
        << "the script's folder stayed";
    EXPECT_TRUE(wait_until_gone(directory, kSelfRemovalMs)) << "the empty install directory stayed";
}

// The stored quiet command's arguments, run by a copy of the uninstaller
// that no record names: nothing is changed, and the caller is told so.
TEST_F(Uninstall, UnattendedRemovalOnlyFromACopyElsewhereChangesNothing) {
    const std::string copy = elsewhere + "\\install.exe";
    ASSERT_TRUE(::CopyFileA(uninstaller.c_str(), copy.c_str(), FALSE));
    // An install or a repair would write it again.
    write_text_file(directory + "misuc.dat", "[changed by the user]\r\n");
    const UnattendedResult run = run_unattended(copy, "/S /UNINSTALL");
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(1605u, run.exit_code);
    EXPECT_EQ("", run.window_seen);
    EXPECT_EQ("[changed by the user]\r\n", read_file(directory + "misuc.dat"));
    write_text_file(directory + "misuc.dat", read_file(carried_files()[1].source));
    expect_complete_install(directory);
    ::Sleep(2000); // time a wrongly started self-removal would need
    EXPECT_TRUE(exists(copy));
    EXPECT_EQ(windows_temp_entries(), temp_before);
}

// A removal that stopped after the location key was gone is finished by the
// entry's quiet command: the entry still names the folder.
TEST_F(Uninstall, UnattendedRemovalOnlyFinishesAnEarlierRemovalOfTheEntryAlone) {
    delete_value(HKEY_LOCAL_MACHINE, "SOFTWARE\\tolmera", "exepath");
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\tolmera");
    ASSERT_FALSE(key_exists(HKEY_LOCAL_MACHINE, "SOFTWARE\\tolmera"));
    const UnattendedResult run = run_unattended(uninstaller, "/S /UNINSTALL");
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(0u, run.exit_code);
    expect_removed(directory);
    EXPECT_TRUE(wait_until_gone(uninstaller, kSelfRemovalMs));
    EXPECT_TRUE(wait_until_windows_temp_holds(temp_before, kSelfRemovalMs));
}

// The application runs while it is removed without windows: everything
// else goes, the application is left to the next restart, and the caller is
// told that a restart is due.
TEST_F(Uninstall, UnattendedRemovalWhileTheApplicationRunsAsksForARestart) {
    const std::string application_file = directory + "Tolmera.exe";
    ProgramRun application(application_file, directory);
    ASSERT_TRUE(application.wait_for_window("Corvanta")) << "the application did not start";
    const std::string log = elsewhere + "\\removal.log";

    const UnattendedResult run = run_unattended(uninstaller, "/S /UNINSTALL /LOG=" + log);
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(3010u, run.exit_code);
    EXPECT_EQ("", run.window_seen);
    EXPECT_NE(read_file(log).find("delete at restart: " + application_file + "\r\n"),
              std::string::npos)
        << read_file(log);
    for (const char *name : {"misuc.dat", "readme.chm", "orderform.htm", "Tolmera.xml"})
        EXPECT_FALSE(exists(directory + name)) << name;
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, "SOFTWARE\\tolmera"));
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE,
                            "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Corvanta"));
    for (const auto &shortcut : expected_shortcuts(directory))
        EXPECT_FALSE(exists(shortcut.path)) << shortcut.path;
    // The system's list of what to delete when it next starts: the
    // application, then its folder; each entry a name and an empty target.
    // Read through the ANSI function: narrow text.
    const std::string entries =
        read_raw(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingRenamesValue).bytes;
    const std::string empty_target(2, '\0');
    const std::size_t application_at = entries.find("\\??\\" + application_file + empty_target);
    std::string shown = entries;
    std::replace(shown.begin(), shown.end(), '\0', '|');
    EXPECT_NE(application_at, std::string::npos) << shown;
    EXPECT_NE(entries.find("\\??\\" + directory.substr(0, directory.size() - 1) + empty_target,
                           application_at),
              std::string::npos)
        << shown;

    ::PostMessageA(application.wait_for_window("Corvanta"), WM_CLOSE, 0, 0);
    EXPECT_TRUE(application.wait_for_exit());
    EXPECT_TRUE(wait_until_gone(uninstaller, kSelfRemovalMs));
    EXPECT_TRUE(wait_until_windows_temp_holds(temp_before, kSelfRemovalMs));
}
