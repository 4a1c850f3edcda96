// Fixed sequences of unattended installs, removals, restarts, held files and
// killed runs, as a machine meets them over time. After every step: an
// entry in the list of programs means its uninstaller and the five carried
// files are there; an install that said 0 is recorded in the folder it was
// meant for; a removal that said 0 left nothing; and an installation
// complete before a restart is complete after it. The restart is Wine's
// own (wineboot -r), which carries out the list of what to delete at a
// restart as Windows does when it starts.
#include "support/environment.h"
#include "support/installation.h"
#include "support/installed_product.h"
#include "support/registry_state.h"
#include "support/setup_driver.h"
#include <gtest/gtest.h>
#include <optional>

using namespace testing_support;

namespace {

constexpr char kUninstallKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Corvanta";

// Open for reading, and to be read by others but not deleted, as a running
// program or a virus scanner holds a file.
class HeldFile {
public:
    explicit HeldFile(const std::string &path)
        : handle_(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                0, nullptr)) {}
    ~HeldFile() { ::CloseHandle(handle_); }
    HeldFile(const HeldFile &) = delete;
    HeldFile &operator=(const HeldFile &) = delete;
    bool held() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

class Sequences : public ::testing::Test {
protected:
    void SetUp() override {
        remove_product(directory);
        restart_list_.emplace();
    }
    void TearDown() override { remove_product(directory); }

    // An entry means its uninstaller and the carried bytes.
    static bool entry_holds() {
        if (!key_exists(HKEY_LOCAL_MACHINE, kUninstallKey)) return false;
        const std::string dir = read_string(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation");
        EXPECT_TRUE(exists(dir + "install.exe")) << "an entry without its uninstaller";
        for (const CarriedFile &file : carried_files())
            EXPECT_TRUE(read_file(dir + file.name) == read_file(file.source)) << file.name;
        return true;
    }
    DWORD install() {
        const UnattendedResult run = run_unattended(program, "/S");
        EXPECT_TRUE(run.ended);
        if (run.exit_code == 0) {
            EXPECT_EQ(directory, read_string(HKEY_LOCAL_MACHINE, "SOFTWARE\\tolmera", "exepath"));
            EXPECT_EQ(directory, read_string(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation"));
        }
        entry_holds();
        return run.exit_code;
    }
    DWORD remove(const std::string &arguments = "/S /UNINSTALL") {
        const UnattendedResult run = run_unattended(uninstaller, arguments + " /LOG=" + log);
        EXPECT_TRUE(run.ended);
        if (run.exit_code == 0) {
            expect_removed(directory);
            EXPECT_TRUE(wait_until_gone(directory, 15000)) << "the removal left its folder";
        }
        entry_holds();
        return run.exit_code;
    }
    void restart() {
        const bool complete = entry_holds();
        char system[MAX_PATH + 1] = {};
        ::GetSystemDirectoryA(system, MAX_PATH);
        ProgramRun boot(std::string(system) + "\\wineboot.exe", "", "-r");
        ASSERT_TRUE(boot.wait_for_exit(60000));
        if (complete) expect_complete_install(directory, kForAllUsers);
        entry_holds();
    }

    const std::string program = path_from_environment("INSTAL_EXE");
    const std::string directory = default_install_directory();
    const std::string uninstaller = directory + "install.exe";
    const std::string log = scratch_directory("sequences") + "\\removal.log";
    std::optional<RestartListGuard> restart_list_;
};

} // namespace

// "Remove, install, restart tonight", while the application runs or while
// another program holds the uninstaller: the removal leaves that file and
// the folder to the restart and says so; the install made before the
// restart outlives it.
TEST_F(Sequences, ARemovalWithAFileHeldThenAnInstallThenTheRestart) {
    for (const char *name : {"Tolmera.exe", "install.exe"}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(0u, install());
        {
            const HeldFile held(directory + name);
            ASSERT_TRUE(held.held());
            EXPECT_EQ(3010u, remove());
            EXPECT_NE(read_file(log).find("delete at restart: " + directory + name + "\r\n"),
                      std::string::npos)
                << read_file(log);
        }
        EXPECT_EQ(0u, install());
        restart();
        EXPECT_EQ(0u, remove());
    }
}

// A removal that stopped after its first step (the location key gone, the
// entry still there) is finished by the entry's command with /S, as scripts
// call an uninstaller, not turned into an install.
TEST_F(Sequences, AHalfFinishedRemovalIsFinishedByTheUninstallerWithS) {
    ASSERT_EQ(0u, install());
    delete_value(HKEY_LOCAL_MACHINE, "SOFTWARE\\tolmera", "exepath");
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\tolmera");
    entry_holds();
    EXPECT_EQ(0u, remove("/S"));
}

// The wizard killed at each step of an install, over nothing and over an
// older installation: until its records are written nothing that was there
// has changed and nothing is left staged; killed after that, the
// installation is whole. Either way an unattended install repairs it, and
// the removal takes everything.
TEST_F(Sequences, AKilledInstallIsRepairedAndRemoved) {
    const std::string steps[] = {"copy main exe to" + directory,
                                 "copy " + directory + "misuc.dat",
                                 "copy " + directory + "readme.chm",
                                 "copy " + directory + "orderform.htm",
                                 "copy " + directory + "Tolmera.xml",
                                 "Write to Registry",
                                 "Create desktop icon  "};
    for (const bool over_older : {false, true})
        for (const std::string &step : steps) {
            SCOPED_TRACE(step + (over_older ? ", over an older install" : ""));
            if (over_older) {
                ASSERT_EQ(0u, install());
                for (const CarriedFile &file : carried_files())
                    write_text_file(directory + file.name, "older");
            }
            const std::string before = installation_state(directory);
            {
                SetupDriver setup(program);
                ASSERT_TRUE(setup.has_window());
                // Up to the path page, then Next without waiting for the
                // procedure, whose first step is watched from its start.
                setup.accept_licence();
                setup.settle();
                setup.next();
                setup.settle();
                setup.click_control("rb1");
                setup.settle();
                setup.next();
                setup.settle();
                setup.set_path(directory);
                click(setup.control("Button2"));
                EXPECT_TRUE(wait_until(
                    [&] { return child_with_text(setup.window(), step.c_str()) != nullptr; },
                    30000));
            } // ended here, in the middle of the install
            if (&step != &steps[6])
                EXPECT_EQ(installation_state(directory), before);
            else
                EXPECT_TRUE(entry_holds());
            EXPECT_EQ(0u, install());
            if (&step == &steps[0] && !over_older) restart();
            EXPECT_EQ(0u, remove());
        }
}
