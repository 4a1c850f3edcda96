// The uninstall sequence, run in this process after a real install, with
// its pauses recorded instead of slept: through the wizard's pages where the
// window plays a part, else setup's removal called alone.
#include "product/manifest.h"
#include "setup/steps.h"
#include "setup/user_folders.h"
#include "platform/files/paths.h"
#include "support/dialogs.h"
#include "support/environment.h"
#include "support/text.h"
#include "support/installation.h"
#include "support/installed_product.h"
#include "support/recorder.h"
#include "support/registry_state.h"
#include "support/shortcuts.h"
#include "support/wizard_fixture.h"
#include <algorithm>
#include <objidl.h>
#include <sddl.h>
#include <thread>

using namespace testing_support;

namespace {

class Uninstall : public WizardFixture {
protected:
    void SetUp() override {
        WizardFixture::SetUp();
        remove_installation_traces();
        target = scratch_directory("uninstall") + "\\Tolmera\\";
    }
    void TearDown() override {
        WizardFixture::TearDown();
        remove_installation_traces();
    }

    // Setup's install alone: the window plays no part in what is removed.
    void install() {
        PacingRecorder quiet;
        ASSERT_TRUE(docopy({wide(target)}, quiet));
    }
    // As an unattended run installs: shortcuts for every user.
    void install_for_every_user() {
        PacingRecorder quiet;
        ASSERT_TRUE(docopy({wide(target), true}, quiet));
    }
    // Licence, choice with removal, Next: what a user of any setup copy does.
    void uninstall() {
        create_forms();
        show();
        form().rb1->set_checked(true);
        next();
        form().rb2->set_checked(true);
        ui::guarded([&] { next(); });
        process();
    }

    std::string target;
};

TEST_F(Uninstall, ReportsEachStepWithItsPositionAndPause) {
    install();
    PacingRecorder recorder;
    uninstall();
    const std::vector<std::string> expected = {
        "position 90",
        "status delete Key from HKEY_LOCAL_MACHINE\\SOFTWARE\\tolmera",
        "process",
        "pause 400",
        "position 90",
        "position 20",
        "status delete Files from " + target,
        "process",
        "pause 400",
        "position 90",
        "position 30",
        "status delete Desktop icon and  links",
        "process",
        "pause 400",
        "position 90",
        "position 40",
        "position 80",
        "pause 1500",
        "position 100",
        "status unstall has finish!"};
    EXPECT_EQ(recorder.events, expected);
    EXPECT_EQ(form().Button2->text(), "finish");
    EXPECT_TRUE(form().Button2->enabled());
    EXPECT_FALSE(form().Button1->enabled());
    EXPECT_FALSE(form().Button3->enabled());
    EXPECT_EQ(form().pb1->position(), 100);
    EXPECT_TRUE(insta::self_removal_pending);
    EXPECT_EQ(::GetFocus(), form().Button2->handle());
}

TEST_F(Uninstall, RemovesEverythingButTheUninstallerAndTheDirectory) {
    install();
    // What killed installs left beside their targets: staged, or moved aside.
    const char *const staged[] = {"Tolmera.exe.unpacking", "Tolmera.xml.unpacking",
                                  "install.exe.new", "readme.chm.replaced", "install.exe.replaced"};
    for (const char *name : staged)
        write_text_file(target + name, "staged");
    PacingRecorder recorder;
    dodel({}, recorder);
    for (const char *name : staged)
        EXPECT_FALSE(exists(target + name)) << name;
    for (const auto &payload : manifest::kPayloads)
        EXPECT_FALSE(exists(target + utf8(payload.file))) << utf8(payload.file);
    EXPECT_TRUE(exists(target + "install.exe")); // the running program deletes itself on exit
    EXPECT_TRUE(exists(target));
    for (const auto &link : shortcut_paths())
        EXPECT_FALSE(exists(link)) << link;
    EXPECT_FALSE(exists(programs_sub_folder()));
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, utf8(manifest::kInstalledLocationKey)));
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, utf8(manifest::kUninstallKey)));
}

TEST_F(Uninstall, KeysAreRemovedWithAnythingBelowThem) {
    install();
    set_string(HKEY_LOCAL_MACHINE, std::string(utf8(manifest::kUninstallKey)) + "\\extra\\deeper",
               "x", "y");
    set_string(HKEY_LOCAL_MACHINE, utf8(manifest::kInstalledLocationKey), "other", "y");
    PacingRecorder recorder;
    dodel({}, recorder);
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, utf8(manifest::kInstalledLocationKey)));
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, utf8(manifest::kUninstallKey)));
}

TEST_F(Uninstall, AUsersFileKeepsTheProgramsSubFolder) {
    install();
    write_text_file(programs_sub_folder() + "\\notes.txt", "mine");
    PacingRecorder recorder;
    dodel({}, recorder);
    EXPECT_EQ(read_file(programs_sub_folder() + "\\notes.txt"), "mine");
    for (const auto &link : shortcut_paths())
        EXPECT_FALSE(exists(link)) << link;
}

// Names of the files removed from a folder, in order, as the file system reports them.
class RemovalOrder {
public:
    explicit RemovalOrder(const std::string &folder)
        : folder_(::CreateFileA(folder.c_str(), FILE_LIST_DIRECTORY,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)),
          thread_([this] { watch(); }) {}
    ~RemovalOrder() {
        if (thread_.joinable()) thread_.join();
        ::CloseHandle(folder_);
    }
    // Waits until count names were seen.
    std::vector<std::string> names(std::size_t count) {
        expected_ = count;
        thread_.join();
        return names_;
    }

private:
    void watch() {
        alignas(DWORD) char buffer[4096];
        while (names_.size() < 3) {
            DWORD length = 0;
            if (!::ReadDirectoryChangesW(folder_, buffer, sizeof buffer, FALSE,
                                         FILE_NOTIFY_CHANGE_FILE_NAME, &length, nullptr, nullptr) ||
                length == 0)
                return;
            for (auto *entry = reinterpret_cast<FILE_NOTIFY_INFORMATION *>(buffer);;
                 entry = reinterpret_cast<FILE_NOTIFY_INFORMATION *>(
                     reinterpret_cast<char *>(entry) + entry->NextEntryOffset)) {
                if (entry->Action == FILE_ACTION_REMOVED) {
                    std::string name;
                    for (DWORD i = 0; i < entry->FileNameLength / 2; ++i)
                        name += static_cast<char>(entry->FileName[i]);
                    names_.push_back(name);
                }
                if (!entry->NextEntryOffset) break;
            }
        }
    }
    HANDLE folder_;
    std::vector<std::string> names_;
    std::size_t expected_ = 3;
    std::thread thread_;
};

TEST_F(Uninstall, DeletesTheSubFolderShortcutsCorvantaUninstallReadme) {
    install();
    write_text_file(programs_sub_folder() + "\\notes.txt", "keeps the folder");
    RemovalOrder order(programs_sub_folder());
    ::Sleep(200); // the watch is in place
    PacingRecorder recorder;
    dodel({}, recorder);
    EXPECT_EQ(order.names(3),
              (std::vector<std::string>{"Corvanta.lnk", "Uninstall.lnk", "Readme.lnk"}));
}

TEST_F(Uninstall, WithNothingInstalledItStillFinishesAndTouchesNoBareNames) {
    const std::string current = scratch_directory("decoys");
    for (const auto &payload : manifest::kPayloads)
        write_text_file(current + "\\" + utf8(payload.file), "the user's own");
    ::SetCurrentDirectoryA(current.c_str());
    PacingRecorder recorder;
    uninstall();
    EXPECT_EQ(form().Label1->text(), "unstall has finish!");
    EXPECT_EQ(form().Button2->text(), "finish");
    EXPECT_TRUE(insta::self_removal_pending);
    EXPECT_EQ(recorder.only("status")[1], "status delete Files from ");
    for (const auto &payload : manifest::kPayloads)
        EXPECT_EQ(read_file(current + "\\" + utf8(payload.file)), "the user's own")
            << utf8(payload.file);
}

// A recorded location that is not a full path would be resolved against
// the current directory, here a folder with the user's files of the
// installed names.
TEST_F(Uninstall, ARecordedLocationThatIsNoFullPathDeletesNoFiles) {
    const std::string current = scratch_directory("relative");
    const std::string users = current + "\\Tolmera\\";
    ::CreateDirectoryA(users.c_str(), nullptr);
    for (const auto &payload : manifest::kPayloads)
        write_text_file(users + utf8(payload.file), "the user's own");
    ::SetCurrentDirectoryA(current.c_str());
    for (const std::string recorded : {"Tolmera\\", "C:Tolmera\\", "..\\relative\\Tolmera\\"}) {
        set_string(HKEY_LOCAL_MACHINE, utf8(manifest::kInstalledLocationKey),
                   utf8(manifest::kInstalledLocationValue), recorded);
        set_string(HKEY_LOCAL_MACHINE, utf8(manifest::kUninstallKey),
                   utf8(manifest::kDisplayNameValue), "Corvanta");
        PacingRecorder recorder;
        uninstall();
        EXPECT_EQ(recorder.only("status")[1], "status delete Files from " + recorded);
        EXPECT_EQ(form().Label1->text(), "unstall has finish!");
        EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, utf8(manifest::kInstalledLocationKey)))
            << recorded;
        EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, utf8(manifest::kUninstallKey))) << recorded;
        for (const auto &payload : manifest::kPayloads)
            EXPECT_EQ(read_file(users + utf8(payload.file)), "the user's own")
                << recorded << payload.file;
        close_forms();
    }
}

// The user's folders are used as the user's shell uses them: a Desktop that
// is a link (a profile folder moved to another drive, or the link into the
// Linux home of a stock Wine prefix) gets both desktop shortcuts through
// it, and the uninstall removes them there. A link put in place of the
// install directory is not followed: the files it points to stay.
TEST_F(Uninstall, LinkedUserFoldersAreFollowedALinkedInstallDirectoryIsNot) {
    const std::string users = scratch_directory("uninstall-users");
    const std::string desktop_folder = shell_folder(manifest::kDesktopValue);
    remove_tree(desktop_folder);
    ASSERT_TRUE(make_unix_symbolic_link(users, desktop_folder));
    install();
    const std::string made[] = {users + utf8(manifest::kDesktopAppLink),
                                users + utf8(manifest::kDesktopHelpLink)};
    for (const std::string &shortcut : made)
        EXPECT_TRUE(read_shortcut(shortcut).loaded) << shortcut;
    write_text_file(users + "\\mine.lnk", "the user's");

    const std::string theirs = scratch_directory("uninstall-theirs");
    for (const auto &payload : manifest::kPayloads)
        write_text_file(theirs + "\\" + utf8(payload.file), "the user's");
    const std::string recorded_folder = target.substr(0, target.size() - 1);
    remove_tree(recorded_folder);
    ASSERT_TRUE(make_unix_symbolic_link(theirs, recorded_folder));

    PacingRecorder recorder;
    uninstall();
    remove_unix_symbolic_link(desktop_folder);
    ::CreateDirectoryA(desktop_folder.c_str(), nullptr);
    EXPECT_EQ(form().Label1->text(), "unstall has finish!");
    for (const std::string &shortcut : made)
        EXPECT_FALSE(exists(shortcut)) << shortcut;
    EXPECT_EQ(read_file(users + "\\mine.lnk"), "the user's");
    for (const auto &payload : manifest::kPayloads)
        EXPECT_EQ(read_file(theirs + "\\" + utf8(payload.file)), "the user's")
            << utf8(payload.file);
    EXPECT_FALSE(exists(shortcut_paths()[2])); // the Start-menu shortcut goes
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, utf8(manifest::kUninstallKey)));
    remove_unix_symbolic_link(recorded_folder);
}

// Every shortcut is saved, and deleted, while the thread acts with the
// restricted copy of its token: what it reaches, the user could reach.
class TokenAtEachShortcut : public ShortcutFiles {
public:
    TokenAtEachShortcut() { set_shortcut_files(this); }
    ~TokenAtEachShortcut() override { set_shortcut_files(nullptr); }
    void save(IPersistFile &file, const platform::Text &path) override {
        record("save", path);
        ShortcutFiles::save(file, path);
    }
    void remove(const platform::Text &path) override {
        record("remove", path);
        ShortcutFiles::remove(path);
    }
    std::vector<std::string> unrestricted;
    int count = 0;

private:
    // Acting as the user: a token of the thread's own, in which
    // Administrators may only deny.
    void record(const char *what, const platform::Text &path) {
        ++count;
        HANDLE token = nullptr;
        bool restricted = ::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, &token);
        if (restricted) {
            DWORD size = 0;
            ::GetTokenInformation(token, TokenGroups, nullptr, 0, &size);
            std::vector<BYTE> buffer(size ? size : 1);
            ::GetTokenInformation(token, TokenGroups, buffer.data(), size, &size);
            const auto *groups = reinterpret_cast<const TOKEN_GROUPS *>(buffer.data());
            for (DWORD i = 0; i < groups->GroupCount; ++i) {
                LPWSTR sid = nullptr;
                ::ConvertSidToStringSidW(groups->Groups[i].Sid, &sid);
                if (sid && std::wstring(sid) == L"S-1-5-32-544" &&
                    !(groups->Groups[i].Attributes & SE_GROUP_USE_FOR_DENY_ONLY))
                    restricted = false;
                ::LocalFree(sid);
            }
            ::CloseHandle(token);
        }
        if (!restricted) unrestricted.push_back(std::string(what) + " " + utf8(path.c_str()));
    }
};

// In the user's folders with the user's rights; in those of every user,
// which only administrators may change, with setup's own.
TEST_F(Uninstall, EveryShortcutIsSavedAndDeletedWithTheRestrictedToken) {
    TokenAtEachShortcut watch;
    install();
    EXPECT_EQ(watch.count, 6);
    EXPECT_EQ(watch.unrestricted, std::vector<std::string>());
    uninstall();
    EXPECT_EQ(form().Label1->text(), "unstall has finish!");
    EXPECT_EQ(watch.count, 18);
    std::vector<std::string> every_users;
    for (const auto &shortcut : expected_shortcuts("C:\\", all_users_folders()))
        every_users.push_back("remove " + shortcut.path);
    std::sort(every_users.begin(), every_users.end());
    std::sort(watch.unrestricted.begin(), watch.unrestricted.end());
    EXPECT_EQ(watch.unrestricted, every_users);

    // An unattended install's, in the folders of every user: setup's own,
    // as the restricted token could not write there on Windows.
    watch.unrestricted.clear();
    install_for_every_user();
    EXPECT_EQ(watch.unrestricted.size(), 6u) << "saves acting as the user";
    uninstall();
}

// A folder of every user that others may change is judged as the
// destination is, and not used: no shortcut is made or deleted there, and
// the reason is told; the other folders are used as before.
TEST_F(Uninstall, AFolderOfEveryUserThatOthersMayChangeIsSkipped) {
    const auto shortcuts = expected_shortcuts(target, all_users_folders());
    const std::string sub = all_users_folders().programs + "\\Tolmera";
    ::CreateDirectoryW(wide(sub).c_str(), nullptr);
    ASSERT_TRUE(set_access_list(sub, "D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;WD)"));
    write_text_file(shortcuts[3].path, "anybody's");
    install_for_every_user();
    for (std::size_t i = 0; i < 6; ++i)
        EXPECT_EQ(exists(shortcuts[i].path), i <= 3) << shortcuts[i].path;
    PacingRecorder recorder;
    dodel({}, recorder);
    EXPECT_EQ(recorder.only("skipped"), std::vector<std::string>{"skipped " + sub + " 5"});
    for (std::size_t i = 0; i < 6; ++i)
        EXPECT_EQ(exists(shortcuts[i].path), i == 3) << shortcuts[i].path;
    EXPECT_EQ(read_file(shortcuts[3].path), "anybody's");
    remove_tree(sub);
}

// A folder value that is no text names no folder: what lies there stays,
// the rest goes, and the value is named as skipped.
TEST_F(Uninstall, ANonTextShellFolderIsSkippedAndTheRemovalCompletes) {
    install();
    const ShellFoldersGuard restore;
    const std::string start_menu_link =
        shell_folder(manifest::kStartMenuValue) + utf8(manifest::kStartMenuAppLink);
    set_dword(manifest::kUserRoot, utf8(manifest::kShellFoldersKey),
              utf8(manifest::kStartMenuValue), 3);
    PacingRecorder recorder;
    DialogWatcher watcher;
    uninstall();
    EXPECT_TRUE(watcher.seen().empty());
    EXPECT_EQ(recorder.only("skipped"),
              std::vector<std::string>{"skipped HKEY_CURRENT_USER\\" +
                                       utf8(manifest::kShellFoldersKey) + "\\Start Menu 1804"});
    EXPECT_TRUE(insta::self_removal_pending);
    EXPECT_EQ(form().Button2->text(), "finish");
    EXPECT_TRUE(exists(start_menu_link));
    EXPECT_FALSE(exists(shell_folder(manifest::kDesktopValue) + utf8(manifest::kDesktopAppLink)));
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, utf8(manifest::kUninstallKey)));
}

TEST_F(Uninstall, EmptyShellFoldersReachNothingAtTheDriveRoot) {
    install();
    const ShellFoldersGuard restore;
    ::SetCurrentDirectoryA("C:\\");
    ::CreateDirectoryA("C:\\Tolmera", nullptr);
    write_text_file("C:\\Corvanta.lnk", "the user's");
    write_text_file("C:\\Tolmera\\Readme.lnk", "the user's");
    for (const wchar_t *name :
         {manifest::kDesktopValue, manifest::kStartMenuValue, manifest::kProgramsValue})
        set_string(manifest::kUserRoot, utf8(manifest::kShellFoldersKey), utf8(name), "");
    PacingRecorder recorder;
    uninstall();
    EXPECT_EQ(read_file("C:\\Corvanta.lnk"), "the user's");
    EXPECT_EQ(read_file("C:\\Tolmera\\Readme.lnk"), "the user's");
    EXPECT_EQ(form().Button2->text(), "finish");
    remove_tree("C:\\Tolmera");
    ::DeleteFileA("C:\\Corvanta.lnk");
}

} // namespace

// A folder value given through the device or object namespace ("\\?\",
// "\\.\") reaches any folder whatever the user may write: it counts as
// empty, and nothing is deleted there.
TEST_F(Uninstall, ShellFoldersNamedThroughDevicesReachNothing) {
    const std::string mine = scratch_directory("uninstall-mine");
    const std::vector<std::string> files = {
        mine + "\\Corvanta.lnk", mine + "\\Readme.lnk", mine + "\\Tolmera\\Corvanta.lnk",
        mine + "\\Tolmera\\Uninstall.lnk", mine + "\\Tolmera\\Readme.lnk"};
    ::CreateDirectoryW(wide(mine + "\\Tolmera").c_str(), nullptr);
    for (const std::string prefix : {"\\\\?\\", "\\\\.\\"}) {
        SCOPED_TRACE(prefix);
        for (const auto &file : files)
            write_text_file(file, "the user's");
        install();
        const ShellFoldersGuard restore;
        for (const wchar_t *name :
             {manifest::kDesktopValue, manifest::kStartMenuValue, manifest::kProgramsValue})
            set_string(manifest::kUserRoot, utf8(manifest::kShellFoldersKey), utf8(name),
                       prefix + mine);
        PacingRecorder recorder;
        uninstall();
        EXPECT_EQ(form().Button2->text(), "finish");
        for (const auto &file : files)
            EXPECT_EQ(read_file(file), "the user's") << file;
        EXPECT_TRUE(exists(mine + "\\Tolmera"));
        close_forms();
    }
}
