// The real setup program, started as its own process and driven from
// outside: installing, as a user does it through the wizard, and what the
// machine holds afterwards.
#include "platform/owners.h"
#include "product/manifest.h"
#include "support/capture.h"
#include "unattended/unattended.h"
#include "support/environment.h"
#include "support/installed_product.h"
#include "support/registry_state.h"
#include "support/setup_driver.h"
#include "support/text.h"
#include "window/pictures.h"
#include <shlobj.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdio>
#include <regex>

using namespace testing_support;

namespace {

const char kScript[] = "$$a$$.bat";

bool ends_with(const std::string &text, const std::string &end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}
const char kDefaultPathText[] = "C:\\Program Files\\Tolmera";

class Install : public ::testing::Test {
protected:
    void SetUp() override { remove_product(directory); }
    void TearDown() override { remove_product(directory); }

    // Runs a whole install with the program at path and ends it with Finish.
    void install_with(const std::string &path) {
        SetupDriver setup(path);
        ASSERT_TRUE(setup.has_window());
        ASSERT_TRUE(setup.install_to(kDefaultPathText)) << setup.box_on_screen();
        finish(setup);
    }

    // Finish ends the program cleanly and starts no self-removal.
    void finish(SetupDriver &setup) {
        setup.next();
        ASSERT_TRUE(setup.process().wait_for_exit());
        EXPECT_EQ(0u, setup.process().exit_code());
        EXPECT_FALSE(exists(directory + kScript));
        EXPECT_FALSE(exists(program_directory + kScript));
        EXPECT_EQ(windows_temp_entries(), temp_before) << "a script's folder was made";
    }

    const std::string directory = default_install_directory();
    const std::vector<std::string> temp_before = windows_temp_entries();
    const std::string program = path_from_environment("INSTAL_EXE");
    const std::string program_directory = program.substr(0, program.rfind('\\') + 1);
};

} // namespace

TEST_F(Install, FreshInstallIntoTheDefaultDirectory) {
    SetupDriver setup(program);
    ASSERT_TRUE(setup.has_window());
    EXPECT_TRUE(is_shown(setup.control("Memo1")));
    // The licence as the file has it, also where the program carries it
    // compressed (a compressed build); asked for with the message, as
    // GetWindowText does not ask a window of another process.
    std::string licence(4096, '\0');
    licence.resize(
        static_cast<std::size_t>(::SendMessageA(setup.control("Memo1"), WM_GETTEXT, licence.size(),
                                                reinterpret_cast<LPARAM>(licence.data()))));
    EXPECT_EQ(read_file(path_from_environment("INSTAL_ASSETS_DIR") + "\\licence.txt"), licence);
    EXPECT_FALSE(is_enabled(setup.control("Button1")));
    EXPECT_FALSE(is_enabled(setup.control("Button2")));

    setup.accept_licence();
    setup.settle();
    // The banner as libjpeg decodes the file, where the control shows it.
    const std::string jpeg = read_file(path_from_environment("INSTAL_ASSETS_DIR") + "\\banner.jpg");
    const ui::Bitmap banner = ui::decode_jpeg(jpeg.data(), jpeg.size());
    ASSERT_EQ(71, banner.height);
    const Capture shown = capture_window(setup.window());
    int differing = 0;
    for (int y = 0; y < banner.height; ++y)
        for (int x = 0; x < 513; ++x) {
            const unsigned char *bgr = banner.pixels.data() + y * banner.stride() + x * 3;
            differing += shown.at(x, y) != RGB(bgr[2], bgr[1], bgr[0]);
        }
    EXPECT_EQ(0, differing) << "banner pixels unlike the file's";
    EXPECT_TRUE(is_enabled(setup.control("Button2")));
    setup.next();
    setup.settle();
    EXPECT_TRUE(is_checked(setup.control("rb1"))) << "install is the default choice";
    setup.next();
    setup.settle();
    ASSERT_TRUE(is_shown(setup.control("Edit1")));
    EXPECT_EQ(kDefaultPathText, text_of(setup.control("Edit1")));
    // The folder icon's image that the system chooses for 32 pixels, also
    // where the program carries the icon file packed (a compressed build).
    EXPECT_EQ(0, pixels_unlike_icon(setup.window(), 40, 96, "#101", 32))
        << "folder icon pixels unlike the icon resource's";
    setup.next(); // the wizard's own default path
    ASSERT_TRUE(setup.wait_for_next_caption("Finish")) << setup.box_on_screen();
    EXPECT_FALSE(is_enabled(setup.control("Button1")));
    EXPECT_FALSE(is_enabled(setup.control("Button3")));

    expect_complete_install(directory);
    finish(setup);
}

TEST_F(Install, SecondInstallReplacesFilesAndShortcuts) {
    install_with(program);
    write_text_file(directory + "misuc.dat", "[changed by the user]\r\n");
    write_text_file(directory + "Tolmera.xml", "");
    write_text_file(directory + "install.exe", "not a program");
    for (const auto &shortcut : expected_shortcuts(directory))
        write_text_file(shortcut.path, "not a shortcut");

    install_with(program);
    expect_complete_install(directory);
}

TEST_F(Install, FromTheInstalledCopyIntoItsOwnDirectory) {
    install_with(program);
    const std::string uninstaller = directory + "install.exe";
    const std::string before = read_file(uninstaller);

    SetupDriver setup(uninstaller);
    ASSERT_TRUE(setup.has_window());
    setup.click_control("rb1"); // install rather than the offered removal
    setup.settle();
    setup.next();
    setup.settle();
    ASSERT_TRUE(is_shown(setup.control("Edit1")));
    EXPECT_EQ(directory, text_of(setup.control("Edit1")));
    setup.next();
    ASSERT_TRUE(setup.wait_for_next_caption("Finish")) << setup.box_on_screen();

    EXPECT_TRUE(read_file(uninstaller) == before) << "install.exe was changed";
    expect_complete_install(directory);
    finish(setup);
}

// The directory typed in another spelling is still the running file's own:
// letter case, the short form, "." and "..". The file is neither deleted
// (Wine would let the running program's file go) nor copied onto itself.
TEST_F(Install, FromTheInstalledCopyIntoItsOwnDirectoryTypedOtherwise) {
    install_with(program);
    const std::string uninstaller = directory + "install.exe";
    const std::string before = read_file(uninstaller);
    char short_form[MAX_PATH] = {};
    ASSERT_NE(::GetShortPathNameA(directory.c_str(), short_form, MAX_PATH), 0u);
    for (const std::string &typed :
         {std::string("c:\\program files\\tolmera"), std::string(short_form),
          std::string("C:\\Program Files\\.\\Tolmera\\..\\Tolmera")}) {
        SCOPED_TRACE(typed);
        // Recorded as the wizard's own path, so that it opens as the uninstaller.
        set_string(HKEY_LOCAL_MACHINE, "SOFTWARE\\tolmera", "exepath", directory);
        SetupDriver setup(uninstaller);
        ASSERT_TRUE(setup.has_window());
        setup.click_control("rb1");
        setup.settle();
        setup.next();
        setup.settle();
        setup.set_path(typed);
        setup.next();
        ASSERT_TRUE(setup.wait_for_next_caption("Finish")) << setup.box_on_screen();
        EXPECT_TRUE(read_file(uninstaller) == before) << "install.exe was changed";
        // Recorded as the file system resolves it: "." and ".." gone, short
        // names expanded.
        const std::string installed = typed.find("\\.") != std::string::npos || typed == short_form
                                          ? directory
                                      : typed.back() == '\\' ? typed
                                                             : typed + "\\";
        EXPECT_EQ(read_string(HKEY_LOCAL_MACHINE, "SOFTWARE\\tolmera", "exepath"), installed);
        for (const auto &file : carried_files())
            EXPECT_TRUE(read_file(directory + file.name) == read_file(file.source)) << file.name;
        finish(setup);
    }
}

TEST_F(Install, ClosingTheWindowAfterTheInstallWritesNoScript) {
    SetupDriver setup(program);
    ASSERT_TRUE(setup.has_window());
    ASSERT_TRUE(setup.install_to(kDefaultPathText)) << setup.box_on_screen();
    setup.close_window();

    ASSERT_TRUE(setup.process().wait_for_exit());
    EXPECT_EQ(0u, setup.process().exit_code());
    EXPECT_FALSE(exists(directory + kScript));
    EXPECT_FALSE(exists(program_directory + kScript));
    EXPECT_EQ(windows_temp_entries(), temp_before) << "a script's folder was made";
    EXPECT_TRUE(exists(directory + "install.exe"));
}

// Without anybody at the keyboard: the same install, no window at any
// moment, not even a hidden one, no pauses, and what it did said by the
// exit code and the log.
TEST_F(Install, UnattendedIntoTheDefaultDirectoryShowsNothingAndLogsEachStep) {
    const std::string log = scratch_directory("unattended") + "\\setup log.txt";
    const UnattendedResult run = run_unattended(program, "/S /LOG=\"" + log + "\"");
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(0u, run.exit_code);
    EXPECT_EQ("", run.window_seen);
    EXPECT_EQ("", run.window_made);
    expect_complete_install(directory, kForAllUsers);
    // First when, which program and how it was started; last the outcome.
    const std::string text = read_file(log);
    const std::string first = text.substr(0, text.find("\r\n") + 2);
    EXPECT_TRUE(std::regex_match(first, std::regex("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d "
                                                   "Setup-Corvanta 1\\.21: .*\r\n")))
        << first;
    EXPECT_TRUE(ends_with(first, "instal.exe\" /S /LOG=\"" + log + "\"\r\n")) << first;
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    char today[16];
    std::snprintf(today, sizeof today, "%04u-%02u-%02uT", now.wYear, now.wMonth, now.wDay);
    EXPECT_EQ(first.substr(0, 11), today);
    // Whatever today is: a month, day or time below 10 in two digits.
    SYSTEMTIME early = {2026, 1, 1, 5, 3, 4, 9, 0};
    EXPECT_EQ(log_time(early), "2026-01-05T03:04:09 ");
    const std::string d = directory;
    EXPECT_EQ(first + "copy main exe to" + d + "\r\ncopy " + d + "misuc.dat\r\ncopy " + d +
                  "readme.chm\r\ncopy " + d + "orderform.htm\r\ncopy " + d +
                  "Tolmera.xml\r\nWrite to Registry\r\nCreate desktop icon  \r\n"
                  "install has finish!\r\nexit code 0\r\n",
              text);
    EXPECT_EQ(windows_temp_entries(), temp_before) << "a script's folder was made";
}

// The rest of the line is the directory, blanks and all; switches in any case.
TEST_F(Install, UnattendedIntoADirectoryWithBlanks) {
    const std::string other = scratch_directory("unattended") + "\\Some Apps\\Tol mera";
    const UnattendedResult run = run_unattended(program, "/s /D=" + other);
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(0u, run.exit_code);
    EXPECT_EQ("", run.window_seen);
    expect_complete_install(other + "\\", kForAllUsers);
    EXPECT_FALSE(exists(directory)) << "the default directory was used";
    remove_product(other + "\\");
}

// As winget starts it with a location and a log: the log switch after the
// directory.
TEST_F(Install, UnattendedWithTheLogAfterTheDirectoryAsWingetWritesThem) {
    const std::string scratch = scratch_directory("unattended");
    const std::string other = scratch + "\\Some Apps\\Tol mera";
    const std::string log = scratch + "\\win get\\setup.log";
    ::CreateDirectoryA((scratch + "\\win get").c_str(), nullptr);
    const UnattendedResult run =
        run_unattended(program, "/S /D=" + other + "  /log=\"" + log + "\"");
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(0u, run.exit_code);
    expect_complete_install(other + "\\", kForAllUsers);
    EXPECT_TRUE(ends_with(read_file(log), "install has finish!\r\nexit code 0\r\n"));
    remove_product(other + "\\");
}

// A directory given in any spelling is recorded, linked and shown as the
// file system resolves it, and the quiet uninstall command stored for it,
// run as a deployment tool runs it, takes everything away again.
TEST_F(Install, UnattendedIntoAPathInAnotherSpellingRecordsItsCanonicalForm) {
    const std::string scratch = scratch_directory("unattended");
    const std::string canonical = scratch + "\\Apps\\Dots\\";
    std::string forward = canonical;
    std::replace(forward.begin(), forward.end(), '\\', '/');
    for (const std::string &given :
         {scratch + "\\Apps\\..\\Apps\\.\\Dots", scratch + "\\\\Apps\\\\Dots\\\\", forward,
          scratch + "\\Apps. \\Dots..", scratch + "\\Other\\..\\Apps\\Dots\\."}) {
        SCOPED_TRACE(given);
        const std::string log = scratch + "\\setup.log";
        ::DeleteFileA(log.c_str());
        const UnattendedResult run = run_unattended(program, "/S /LOG=" + log + " /D=" + given);
        ASSERT_TRUE(run.ended);
        ASSERT_EQ(0u, run.exit_code) << read_file(log);
        // both records, the entry, the shortcuts
        expect_complete_install(canonical, kForAllUsers);
        const std::string text = read_file(log);
        EXPECT_EQ(text.substr(text.find("\r\n") + 2, 17 + canonical.size()),
                  "copy main exe to" + canonical + "\r");

        const std::string quiet = read_string(
            HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Corvanta",
            "QuietUninstallString");
        ASSERT_EQ(quiet.substr(0, 1), "\"");
        const std::size_t end = quiet.find('"', 1);
        ASSERT_NE(end, std::string::npos) << quiet;
        const UnattendedResult removal =
            run_unattended(quiet.substr(1, end - 1), quiet.substr(end + 2));
        ASSERT_TRUE(removal.ended);
        EXPECT_EQ(0u, removal.exit_code);
        EXPECT_EQ("", removal.window_seen);
        expect_removed(canonical);
        EXPECT_TRUE(wait_until_gone(canonical + "install.exe", 15000));
        EXPECT_TRUE(wait_until_windows_temp_holds(temp_before, 15000))
            << "the script's folder stayed";
        EXPECT_FALSE(exists(directory)) << "the default directory was used";
        remove_product(canonical);
    }
}

TEST_F(Install, UnattendedRunOverAnInstallationRepairsIt) {
    ASSERT_EQ(0u, run_unattended(program, "/S").exit_code);
    ::DeleteFileA((directory + "misuc.dat").c_str());
    write_text_file(directory + "Tolmera.xml", "");
    remove_tree(expected_shortcuts(directory, all_users_folders())[0].path);
    delete_value(HKEY_LOCAL_MACHINE,
                 "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                 "Corvanta",
                 "Publisher");

    const UnattendedResult run = run_unattended(program, "/S");
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(0u, run.exit_code);
    EXPECT_EQ("", run.window_seen);
    expect_complete_install(directory, kForAllUsers);
}

// Deployment tools pass no /D= to an upgrade: it goes where the installation
// is, and so does the wizard's path box; a /D= still decides.
TEST_F(Install, UnattendedUpgradeWithoutADirectoryGoesIntoTheRecordedOne) {
    const std::string scratch = scratch_directory("unattended");
    const std::string chosen = scratch + "\\Apps\\Tolmera";
    ASSERT_EQ(0u, run_unattended(program, "/S /D=" + chosen).exit_code);
    ::DeleteFileA((chosen + "\\misuc.dat").c_str());

    const UnattendedResult run = run_unattended(program, "/S");
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(0u, run.exit_code);
    expect_complete_install(chosen + "\\", kForAllUsers);
    EXPECT_FALSE(exists(directory)) << "a second copy in the default directory";

    {
        SetupDriver setup(program);
        ASSERT_TRUE(setup.has_window());
        setup.accept_licence();
        setup.settle();
        setup.next(); // choice
        setup.settle();
        setup.click_control("rb1");
        setup.settle();
        setup.next(); // path
        setup.settle();
        EXPECT_EQ(chosen + "\\", text_of(setup.control("Edit1")));
        setup.click_control("Button3");
        const ForeignDialog alarm = setup.wait_for_dialog();
        ASSERT_TRUE(alarm.window) << "no cancel dialog";
        SetupDriver::press_button(alarm, "Exit Setup");
        ASSERT_TRUE(setup.process().wait_for_exit());
    }

    const std::string other = scratch + "\\Other";
    ASSERT_EQ(0u, run_unattended(program, "/S /D=" + other).exit_code);
    expect_complete_install(other + "\\", kForAllUsers);
    remove_product(chosen + "\\");
    remove_product(other + "\\");
}

// An unattended install never replaces a newer version; the same or an
// older one it replaces. Versions compare as numbers, part by part.
TEST_F(Install, UnattendedOverANewerVersionChangesNothing) {
    const std::string log = scratch_directory("unattended") + "\\setup.log";
    const std::string entry = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Corvanta";
    ASSERT_EQ(0u, run_unattended(program, "/S").exit_code);
    ::DeleteFileA((directory + "misuc.dat").c_str());
    for (const char *newer : {"1.100", "1.21.1", "2"}) {
        SCOPED_TRACE(newer);
        set_string(HKEY_LOCAL_MACHINE, entry, "DisplayVersion", newer);
        const UnattendedResult run = run_unattended(program, "/S /LOG=" + log);
        ASSERT_TRUE(run.ended);
        EXPECT_EQ(1638u, run.exit_code);
        EXPECT_EQ("", run.window_seen);
        EXPECT_FALSE(exists(directory + "misuc.dat")) << "a file was written";
        EXPECT_EQ(newer, read_string(HKEY_LOCAL_MACHINE, entry, "DisplayVersion"));
        const std::string text = read_file(log);
        EXPECT_TRUE(ends_with(text, "\r\nexit code 1638\r\n")) << text;
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text;
    }
    for (const char *older : {"1.5", "1.21", "1.20.9", ""}) {
        SCOPED_TRACE(older);
        ::DeleteFileA((directory + "misuc.dat").c_str());
        set_string(HKEY_LOCAL_MACHINE, entry, "DisplayVersion", older);
        const UnattendedResult run = run_unattended(program, "/S");
        ASSERT_TRUE(run.ended);
        EXPECT_EQ(0u, run.exit_code);
        expect_complete_install(directory, kForAllUsers);
    }
}

// A file of the installation in use, the uninstaller too, stops a repair
// before anything is written: no mixture of old and new files.
TEST_F(Install, UnattendedRepairWithAFileInUseChangesNothing) {
    ASSERT_EQ(0u, run_unattended(program, "/S").exit_code);
    for (const char *name : {"orderform.htm", "install.exe"}) {
        SCOPED_TRACE(name);
        write_text_file(directory + "Tolmera.exe", "an older application");
        write_text_file(directory + "misuc.dat", "[changed by the user]\r\n");
        const std::string held = directory + name;
        const HANDLE file = ::CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        const std::string log = scratch_directory("unattended") + "\\setup.log";
        const UnattendedResult run = run_unattended(program, "/S /LOG=" + log);
        ::CloseHandle(file);
        ASSERT_TRUE(run.ended);
        EXPECT_EQ(1603u, run.exit_code);
        EXPECT_EQ("", run.window_seen);
        const std::string text = read_file(log);
        EXPECT_TRUE(ends_with(text, "\r\nerror: Cannot create file " + held +
                                        ". (system error 32)\r\nexit code 1603\r\n"))
            << text;
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3) << text;
        EXPECT_EQ("an older application", read_file(directory + "Tolmera.exe"));
        EXPECT_EQ("[changed by the user]\r\n", read_file(directory + "misuc.dat"));
    }
}

// What the wizard would show in its box goes to the log, with the system's
// reason; the run fails, having done nothing the wizard would not have done.
TEST_F(Install, UnattendedIntoADirectoryThatCannotBeMadeFails) {
    const std::string scratch = scratch_directory("unattended");
    const std::string log = scratch + "\\setup.log";
    write_text_file(scratch + "\\Tolmera", "a file where the folder would go");
    const UnattendedResult run =
        run_unattended(program, "/S /LOG=" + log + " /D=" + scratch + "\\Tolmera");
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(1603u, run.exit_code);
    EXPECT_EQ("", run.window_seen) << "a box waited for a click";
    const std::string text = read_file(log);
    EXPECT_TRUE(ends_with(text, "\r\nerror: fail to make dir! (system error 183)\r\n"
                                "exit code 1603\r\n"))
        << text;
    EXPECT_EQ("a file where the folder would go", read_file(scratch + "\\Tolmera"));
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, "SOFTWARE\\tolmera"));
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE,
                            "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Corvanta"));
    for (const auto &shortcut : expected_shortcuts(scratch + "\\Tolmera\\"))
        EXPECT_FALSE(exists(shortcut.path)) << shortcut.path;
}

// The log is written with administrator rights: a link planted at its
// path, or in place of a folder on its way, or a second name of another
// file, would have it replace whatever that leads to. Such a run, as one
// whose log cannot be made at all, does nothing and fails.
TEST_F(Install, UnattendedWithALogThatIsALinkOrCannotBeMadeDoesNothing) {
    const std::string scratch = scratch_directory("unattended");
    const std::string other = scratch + "\\system.ini", real = scratch + "\\real";
    write_text_file(other, "someone else's");
    ::CreateDirectoryA(real.c_str(), nullptr);
    ASSERT_TRUE(make_unix_symbolic_link(other, scratch + "\\setup.log"));
    ASSERT_TRUE(make_unix_symbolic_link(real, scratch + "\\logs"));
    ASSERT_TRUE(::CreateHardLinkA((scratch + "\\second.log").c_str(), other.c_str(), nullptr));
    for (const std::string &log : {scratch + "\\setup.log", scratch + "\\logs\\setup.log",
                                   scratch + "\\missing\\setup.log", scratch + "\\second.log"}) {
        SCOPED_TRACE(log);
        const UnattendedResult run = run_unattended(program, "/S /LOG=" + log);
        ASSERT_TRUE(run.ended);
        EXPECT_EQ(1603u, run.exit_code);
        EXPECT_EQ("", run.window_seen);
        EXPECT_EQ(read_file(other), "someone else's");
        EXPECT_FALSE(exists(real + "\\setup.log"));
        EXPECT_FALSE(exists(directory));
        EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, "SOFTWARE\\tolmera"));
    }
    remove_unix_symbolic_link(scratch + "\\setup.log");
    remove_unix_symbolic_link(scratch + "\\logs");
}

// With user account control on, an administrator's token is split: the
// account's programs without administrator rights carry the same account,
// so a folder it owns, or that gives it rights, could be changed by any of
// them. Every folder as Wine shows it is such a folder (its owner and its
// entries are the account running Wine), and the destination is refused
// for its rights. (Wine's prefix has the policy off, as Windows without
// user account control, where the account is trusted.)
TEST_F(Install, UnattendedWithUserAccountControlOnRefusesFoldersTheAccountMayChange) {
    const char kPolicies[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
    struct PolicyOn {
        PolicyOn(const char *key) : key(key) { set_dword(HKEY_LOCAL_MACHINE, key, "EnableLUA", 1); }
        ~PolicyOn() { set_dword(HKEY_LOCAL_MACHINE, key, "EnableLUA", 0); }
        const char *key;
    };
    ASSERT_EQ(read_raw(HKEY_LOCAL_MACHINE, kPolicies, "EnableLUA").bytes, std::string(4, '\0'));
    const std::string log = scratch_directory("unattended") + "\\setup.log";
    UnattendedResult run;
    {
        const PolicyOn on(kPolicies);
        run = run_unattended(program, "/S /LOG=" + log);
    }
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(1603u, run.exit_code);
    EXPECT_TRUE(ends_with(read_file(log),
                          "\r\nerror: fail to make dir! (system error 5)\r\nexit code 1603\r\n"))
        << read_file(log);
    EXPECT_FALSE(exists(directory + "Tolmera.exe"));
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, "SOFTWARE\\tolmera"));
}

// A command line it does not understand: nothing at all is done, not even
// the log is made.
TEST_F(Install, UnattendedWithAnArgumentItDoesNotKnowDoesNothing) {
    const std::string scratch = scratch_directory("unattended");
    const std::string log = scratch + "\\setup.log";
    for (const std::string &arguments :
         {"/S /LOG=" + log + " /Q", "/S /LOG=" + log + " /D=Tolmera",
          "/S /LOG=" + log + " /D=", "/S /LOG=" + log + " /D=\"" + scratch + "\\Tolmera\"",
          "/S /LOG=" + log + " /Silent /D=" + scratch + "\\Tolmera", "/S /? /LOG=" + log,
          "/S /UNINSTALL /LOG=" + log + " /D=" + scratch + "\\Tolmera",
          // Other installer systems' switches, with or without /S: no
          // wizard waits for somebody nobody sees.
          std::string("/VERYSILENT"), std::string("/quiet"), std::string("-s"),
          "/LOG=" + log + " /SILENT /D=" + scratch + "\\Tolmera"}) {
        SCOPED_TRACE(arguments);
        const UnattendedResult run = run_unattended(program, arguments);
        ASSERT_TRUE(run.ended);
        EXPECT_EQ(87u, run.exit_code);
        EXPECT_EQ("", run.window_seen);
        EXPECT_FALSE(exists(log));
        EXPECT_FALSE(exists(scratch + "\\Tolmera"));
        EXPECT_FALSE(exists(directory));
        EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, "SOFTWARE\\tolmera"));
    }
}

// The setup program's folder is the user's: renaming the running program
// away and putting another file at its path while the wizard waits must not
// make that file the uninstaller that the list of programs starts.
TEST_F(Install, TheUninstallerIsTheRunningProgramWhateverIsPutAtItsPath) {
    const std::string elsewhere = scratch_directory("e2e-swap");
    const std::string copy = copy_program(elsewhere);
    const std::string original = read_file(copy);
    const std::wstring application = wide(path_from_environment("INSTAL_APPLICATION_FILE"));
    SetupDriver setup(copy);
    ASSERT_TRUE(setup.has_window());
    const bool renamed = ::MoveFileW(wide(copy).c_str(), wide(copy + ".away").c_str());
    EXPECT_FALSE(renamed) << "the running program's file was renamed";
    EXPECT_FALSE(::CopyFileW(application.c_str(), wide(copy).c_str(), renamed))
        << "another file was put in its place";
    ASSERT_TRUE(setup.install_to(kDefaultPathText)) << setup.box_on_screen();
    finish(setup);
    EXPECT_TRUE(read_file(directory + "install.exe") == original)
        << "install.exe is not the program that ran";
    remove_tree(elsewhere);
}

// Setup from a CD, or while another program (a second copy of setup, a
// virus scanner) holds its file without delete sharing: the file cannot be
// held with the right to move it, and is held for reading only. The install
// completes, with an uninstaller of every byte of the setup file.
TEST_F(Install, ASetupFileHeldByAnotherProgramStillBecomesTheUninstaller) {
    const std::string elsewhere = scratch_directory("e2e-held");
    const std::string copy = copy_program(elsewhere);
    const HANDLE held = ::CreateFileA(copy.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    install_with(copy);
    ::CloseHandle(held);
    EXPECT_TRUE(read_file(directory + "install.exe") == read_file(copy))
        << "install.exe is not the setup file";
    remove_tree(elsewhere);
}

// A user whose folders, and the destination typed, are named in scripts
// outside the system's ANSI code page: every name reaches the file system,
// the registry and the shell unchanged, in and out again.
TEST_F(Install, IntoFoldersNamedInAnyScriptAndOutAgain) {
    const ShellFoldersGuard restore_folders;
    wchar_t profile[MAX_PATH + 1] = {};
    ASSERT_TRUE(SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, 0, profile)));
    const std::string desktop = utf8(profile) + "\\Ωμέγα";
    const std::string programs = utf8(profile) + "\\Программы";
    for (const std::string &folder : {desktop, programs}) {
        remove_tree(folder);
        ASSERT_TRUE(::CreateDirectoryW(wide(folder).c_str(), nullptr)) << folder;
    }
    set_user_folder("Desktop", desktop);
    set_user_folder("Programs", programs);
    ASSERT_EQ(user_folders().desktop, desktop) << "the shell does not take the folder";

    for (const std::string typed : {"C:\\Программы\\Корванта", "C:\\程序\\科尔万塔"}) {
        SCOPED_TRACE(typed);
        const std::string installed = typed + "\\";
        remove_product(installed);
        {
            SetupDriver setup(program);
            ASSERT_TRUE(setup.has_window());
            ASSERT_TRUE(setup.install_to(typed)) << setup.box_on_screen();
            finish(setup);
        }
        expect_complete_install(installed);
        EXPECT_TRUE(exists(desktop + "\\Corvanta.lnk"));
        EXPECT_TRUE(exists(programs + "\\Tolmera\\Uninstall.lnk"));

        SetupDriver setup(installed + "install.exe");
        ASSERT_TRUE(setup.has_window());
        EXPECT_TRUE(is_checked(setup.control("rb2"))) << "not recognised as the installed copy";
        EXPECT_EQ(installed, text_of(setup.control("Edit1")));
        setup.next();
        ASSERT_TRUE(setup.wait_for_next_caption("finish")) << setup.box_on_screen();
        expect_removed(installed);
        EXPECT_FALSE(exists(programs + "\\Tolmera"));
        setup.next();
        ASSERT_TRUE(setup.process().wait_for_exit());
        EXPECT_TRUE(wait_until_gone(installed + "install.exe", 15000))
            << "the installed copy did not remove itself";
        EXPECT_TRUE(wait_until_windows_temp_holds(temp_before, 15000));
        remove_product(installed);
    }
    for (const std::string &folder : {desktop, programs})
        remove_tree(folder);
}

// On 64-bit Windows the program is a 32-bit one: it offers the folder for
// 32-bit programs and keeps its records where 32-bit programs read them.
// Run in a 64-bit prefix (tests/run-in-win64.sh); elsewhere it skips.
TEST(Wow64, OffersTheFolderOf32BitProgramsAndKeepsTheRecordsInTheirView) {
    BOOL wow64 = FALSE;
    if (!::IsWow64Process(::GetCurrentProcess(), &wow64) || !wow64)
        GTEST_SKIP() << "not a 64-bit Windows";
    const std::string directory = "C:\\Program Files (x86)\\Tolmera\\";
    remove_product(directory);
    const auto record_in_view = [](const char *key, REGSAM view) {
        HKEY opened = nullptr;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ | view, &opened) != ERROR_SUCCESS)
            return false;
        ::RegCloseKey(opened);
        return true;
    };
    const std::string location = utf8(manifest::kInstalledLocationKey);
    const std::string entry = utf8(manifest::kUninstallKey);
    {
        SetupDriver setup(path_from_environment("INSTAL_EXE"));
        ASSERT_TRUE(setup.has_window());
        setup.accept_licence();
        setup.next();
        setup.next();
        setup.settle();
        EXPECT_EQ("C:\\Program Files (x86)\\Tolmera", text_of(setup.control("Edit1")));
        setup.next();
        ASSERT_TRUE(setup.wait_for_next_caption("Finish")) << setup.box_on_screen();
        setup.next();
        ASSERT_TRUE(setup.process().wait_for_exit());
    }
    expect_complete_install(directory);
    for (const std::string &key : {location, entry}) {
        EXPECT_TRUE(record_in_view(key.c_str(), KEY_WOW64_32KEY)) << key;
        EXPECT_FALSE(record_in_view(key.c_str(), KEY_WOW64_64KEY)) << key;
    }

    SetupDriver setup(directory + "install.exe");
    ASSERT_TRUE(setup.has_window());
    EXPECT_TRUE(is_checked(setup.control("rb2")));
    setup.next();
    ASSERT_TRUE(setup.wait_for_next_caption("finish")) << setup.box_on_screen();
    for (const std::string &key : {location, entry}) {
        EXPECT_FALSE(record_in_view(key.c_str(), KEY_WOW64_32KEY)) << key;
        EXPECT_FALSE(record_in_view(key.c_str(), KEY_WOW64_64KEY)) << key;
    }
    expect_removed(directory);
    setup.next();
    ASSERT_TRUE(setup.process().wait_for_exit());
    EXPECT_TRUE(wait_until_gone(directory + "install.exe", 15000));
    remove_product(directory);
}
