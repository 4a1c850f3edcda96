// The install sequence, run in this process on the real registry, files and
// shell, with its pauses recorded instead of slept: through the wizard's
// pages where the window plays a part, else setup's install called alone.
#include "product/manifest.h"
#include "setup/payload/payload_check.h"
#include "setup/payload/payload_unpack.h"
#include "setup/steps.h"
#include "platform/digests/large_sha256.h"
#include "platform/files/paths.h"
#include "platform/security/security.h"
#include "platform/setup_error.h"
#include "support/dialogs.h"
#include "support/environment.h"
#include "support/text.h"
#include "support/installation.h"
#include "support/recorder.h"
#include "support/registry_state.h"
#include "support/shortcuts.h"
#include "support/wizard_fixture.h"
#include <sddl.h>
#include <cstdlib>
#include <functional>

using namespace testing_support;

namespace {

class Install : public WizardFixture {
protected:
    void SetUp() override {
        WizardFixture::SetUp();
        remove_installation_traces();
        target = scratch_directory("install") + "\\Tolmera\\";
    }
    void TearDown() override {
        WizardFixture::TearDown();
        remove_installation_traces();
    }

    // The wizard's pages up to Next on the path page, with errors shown as
    // the program shows them.
    void install(const std::string &typed) { install(wide(typed)); }
    void install(const std::wstring &typed) {
        create_forms();
        show();
        form().rb1->set_checked(true);
        next();
        next();
        form().Edit1->set_text(typed);
        ui::guarded([&] { next(); });
        process();
    }
    bool registry_written() const {
        return key_exists(HKEY_LOCAL_MACHINE, utf8(manifest::kInstalledLocationKey)) ||
               key_exists(HKEY_LOCAL_MACHINE, utf8(manifest::kUninstallKey));
    }

    std::string target;
};

TEST_F(Install, ReportsEachStepWithItsPositionAndPause) {
    PacingRecorder recorder;
    install(target);
    const std::string d = target;
    const std::vector<std::string> expected = {"status copy main exe to" + d,
                                               "position 0",
                                               "process",
                                               "position 10",
                                               "pause 400",
                                               "position 90",
                                               "status copy " + d + "misuc.dat",
                                               "process",
                                               "position 20",
                                               "pause 400",
                                               "position 90",
                                               "status copy " + d + "readme.chm",
                                               "process",
                                               "position 30",
                                               "pause 400",
                                               "position 90",
                                               "status copy " + d + "orderform.htm",
                                               "process",
                                               "position 40",
                                               "pause 400",
                                               "position 90",
                                               "status copy " + d + "Tolmera.xml",
                                               "process",
                                               "position 50",
                                               "pause 400",
                                               "status Write to Registry",
                                               "process",
                                               "pause 400",
                                               "position 90",
                                               "position 95",
                                               "position 20",
                                               "status Create desktop icon  ",
                                               "process",
                                               "pause 700",
                                               "position 100",
                                               "status install has finish!"};
    EXPECT_EQ(recorder.events, expected);
    EXPECT_EQ(form().Label1->text(), "install has finish!");
    EXPECT_EQ(form().pb1->position(), 100);
    EXPECT_EQ(form().Button2->text(), "Finish");
    EXPECT_TRUE(form().Button2->enabled());
    EXPECT_FALSE(form().Button1->enabled());
    EXPECT_FALSE(form().Button3->enabled());
    EXPECT_EQ(::GetFocus(), form().Button2->handle());
}

TEST_F(Install, WritesTheFilesTheRecordsAndTheUninstallerCopy) {
    PacingRecorder recorder;
    install("  " + target.substr(0, target.size() - 1) + "  "); // trimmed, backslash added
    const auto sources = payload_sources();
    for (std::size_t i = 0; i < sources.size(); ++i)
        EXPECT_EQ(read_file(target + utf8(manifest::kPayloads[i].file)), read_file(sources[i]))
            << manifest::kPayloads[i].file;
    EXPECT_EQ(read_file(target + "install.exe"), read_file(utf8(platform::module_path().c_str())));

    const auto exepath =
        read_raw(HKEY_LOCAL_MACHINE, utf8(manifest::kInstalledLocationKey), "exepath");
    EXPECT_EQ(exepath.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(exepath.bytes, target + std::string(1, '\0'));
    const auto name = read_raw(HKEY_LOCAL_MACHINE, utf8(manifest::kUninstallKey), "DisplayName");
    EXPECT_EQ(name.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(name.bytes, std::string("Corvanta\0", 9));
    // Quoted, so that a directory with blanks cannot start another program.
    const auto command =
        read_raw(HKEY_LOCAL_MACHINE, utf8(manifest::kUninstallKey), "UninstallString");
    EXPECT_EQ(command.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(command.bytes, "\"" + target + "install.exe\"" + std::string(1, '\0'));
}

TEST_F(Install, MakesSixShortcutsWithTheirProperties) {
    PacingRecorder recorder;
    ASSERT_TRUE(docopy({wide(target)}, recorder));
    const auto paths = shortcut_paths();
    const std::string targets[] = {"Tolmera.exe", "readme.chm", "Tolmera.exe",
                                   "Tolmera.exe", "readme.chm", "install.exe"};
    for (std::size_t i = 0; i < paths.size(); ++i) {
        SCOPED_TRACE(paths[i]);
        const ShortcutInfo link = read_shortcut(paths[i]);
        ASSERT_TRUE(link.loaded);
        EXPECT_EQ(link.target, target + targets[i]);
        EXPECT_EQ(link.working_directory, target);
        EXPECT_EQ(link.arguments, "");
        const bool in_sub_folder = i >= 3;
        EXPECT_EQ(link.description, in_sub_folder ? " " : "");
        if (in_sub_folder) {
            EXPECT_EQ(link.show_command, static_cast<DWORD>(SW_SHOWNORMAL));
        }
    }
}

TEST_F(Install, ReplacesFilesAndShortcutsOfAnEarlierInstall) {
    ::CreateDirectoryA(target.c_str(), nullptr);
    write_text_file(target + "misuc.dat", "an older and much longer settings file than ours");
    write_text_file(target + "keep.txt", "the user's");
    PacingRecorder recorder;
    ASSERT_TRUE(docopy({wide(target)}, recorder));
    const auto first = shortcut_paths();
    write_text_file(first[5], "broken");
    ASSERT_TRUE(docopy({wide(target)}, recorder));
    EXPECT_EQ(read_file(target + "misuc.dat"), read_file(payload_sources()[1]));
    EXPECT_EQ(read_file(target + "keep.txt"), "the user's");
    EXPECT_EQ(read_shortcut(first[5]).target, target + "install.exe");
}

// Names the file system refuses, or would cut to another folder's name
// ("..." is the folder itself), and text that is no UTF-16 at all.
TEST_F(Install, ABareFolderNameAMissingDriveOrARefusedNameCannotBeMade) {
    const std::wstring bare = wide(scratch_directory("bare"));
    ::SetCurrentDirectoryW(bare.c_str());
    for (const std::wstring &typed :
         {std::wstring(L"Tolmera"), std::wstring(L"Q:\\Tolmera"), bare + L"\\a<b", bare + L"\\a>b",
          bare + L"\\a|b", bare + L"\\a\"b", bare + L"\\a?b", bare + L"\\...",
          bare + L"\\...\\Tolmera", bare + L"\\x\xD800y", bare + L"\\x\xDC00", bare + L"\\x\xD83D",
          bare + L"\\a:b"}) {
        SCOPED_TRACE(utf8(typed));
        PacingRecorder recorder;
        DialogWatcher watcher;
        install(typed);
        ASSERT_EQ(watcher.seen().size(), 1u);
        EXPECT_EQ(watcher.seen()[0].text, "fail to make dir!");
        EXPECT_EQ(watcher.seen()[0].title, "OOooooP");
        EXPECT_EQ(watcher.seen()[0].style_icon, 0u);
        EXPECT_TRUE(recorder.events.empty());
        EXPECT_EQ(form().Label1->text(), "");
        EXPECT_FALSE(form().Button2->enabled());
        EXPECT_FALSE(form().Button1->enabled());
        WIN32_FIND_DATAW found;
        const HANDLE search = ::FindFirstFileW((bare + L"\\*").c_str(), &found);
        std::vector<std::string> made;
        do
            if (std::wcscmp(found.cFileName, L".") && std::wcscmp(found.cFileName, L".."))
                made.push_back(utf8(found.cFileName));
        while (::FindNextFileW(search, &found));
        ::FindClose(search);
        EXPECT_TRUE(made.empty()) << made[0];
        EXPECT_FALSE(registry_written());
        close_forms();
    }
}

TEST_F(Install, ADriveRootIsUsedAsItIs) {
    PacingRecorder recorder;
    const std::string root = "C:\\";
    install("C:");
    EXPECT_EQ(read_raw(HKEY_LOCAL_MACHINE, utf8(manifest::kInstalledLocationKey), "exepath").bytes,
              root + std::string(1, '\0'));
    EXPECT_EQ(read_file(root + "misuc.dat"), read_file(payload_sources()[1]));
    for (const auto &payload : manifest::kPayloads)
        ::DeleteFileW(wide(root + utf8(payload.file)).c_str());
    ::DeleteFileA((root + "install.exe").c_str());
}

TEST_F(Install, AFileThatCannotBeCreatedStopsBeforeTheRegistry) {
    ::CreateDirectoryA(target.c_str(), nullptr);
    ::CreateDirectoryA((target + "Tolmera.exe").c_str(), nullptr);
    PacingRecorder recorder;
    DialogWatcher watcher;
    install(target);
    ASSERT_EQ(watcher.seen().size(), 1u);
    EXPECT_EQ(watcher.seen()[0].text, "Cannot create file " + target + "Tolmera.exe.");
    EXPECT_EQ(ui::Application::get().title(), watcher.seen()[0].title);
    EXPECT_FALSE(registry_written());
    EXPECT_EQ(form().Label1->text(), "copy main exe to" + target);
    EXPECT_FALSE(form().Button2->enabled());
    EXPECT_FALSE(exists(target + "misuc.dat"));
}

// A compressed build unpacks each file beside its target and checks it
// before it takes the target's place: a stream that gives other bytes, or
// that cannot be decoded to its end, leaves the earlier file as it was and
// nothing beside it. (The stream: orderform.htm, made by xz as the build
// makes them.)
TEST_F(Install, AnUnpackedFileWithOtherBytesLeavesTheTargetAsItWas) {
    const std::string stream = read_file(path_from_environment("INSTAL_PACKED_SAMPLE"));
    const std::string file = read_file(payload_sources()[3]);
    ASSERT_GT(stream.size(), 100u);
    const unsigned char properties[5] = {0x5D, 0x00, 0x00, 0x01, 0x00}; // 64 KiB dictionary
    const Sha256 right = sha256(file.data(), static_cast<DWORD>(file.size()));
    Sha256 wrong = right;
    wrong.bytes[31] ^= 1;
    std::string damaged = stream;
    damaged[damaged.size() / 2] ^= 0x20;
    const std::string cut = stream.substr(0, stream.size() - 8);
    std::string longer = stream + "more";

    ::CreateDirectoryA(target.c_str(), nullptr);
    const std::string path = target + "orderform.htm";
    const auto unpack = [&](const std::string &bytes, const Sha256 &digest) -> std::string {
        try {
            platform::StagedFile staged(platform::Text(wide(path).c_str()),
                                        {L".unpacking", L".replaced"}, true);
            staged.open();
            unpack_payload(staged, bytes.data(), static_cast<DWORD>(bytes.size()), properties,
                           false, digest.bytes);
            staged.commit();
            staged.keep();
            return "";
        } catch (const platform::SetupError &error) {
            return utf8(error.what());
        }
    };
    const auto entries = [&] {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found;
        const HANDLE search = ::FindFirstFileA((target + "*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return names;
        do
            if (found.cFileName[0] != '.') names.push_back(found.cFileName);
        while (::FindNextFileA(search, &found));
        ::FindClose(search);
        return names;
    };
    const struct {
        const char *what;
        const std::string &bytes;
        const Sha256 &digest;
    } cases[] = {{"other bytes", stream, wrong},
                 {"a damaged stream", damaged, right},
                 {"a stream cut short", cut, right},
                 {"bytes after the end mark", longer, right}};
    for (const auto &bad : cases) {
        SCOPED_TRACE(bad.what);
        write_text_file(path, "of the working installation");
        EXPECT_EQ(unpack(bad.bytes, bad.digest), "Cannot create file " + path);
        EXPECT_EQ(read_file(path), "of the working installation");
        EXPECT_EQ(entries(), std::vector<std::string>{"orderform.htm"});
    }
    // The whole stream, with its digest, takes the target's place.
    EXPECT_EQ(unpack(stream, right), "");
    EXPECT_EQ(read_file(path), file);
    EXPECT_EQ(entries(), std::vector<std::string>{"orderform.htm"});
}

// The digest of an unpacked file, taken part by part as it is written, is
// the system's SHA-256 of the whole, wherever the parts end: at, before and
// after the ends of 64-byte blocks, and where the padding takes a block of
// its own; with the processor's SHA instructions (where the machine has
// them) and through the system's providers alone.
TEST_F(Install, AnUnpackedFileIsHashedInPartsAsInOnePiece) {
    std::string bytes;
    for (int i = 0; bytes.size() < 300000; ++i)
        bytes += std::to_string(i * 7919) + (i % 3 ? " " : "\r\n");
    using Means = platform::LargeSha256::Means;
    for (const Means means : {Means::fastest, Means::system})
        for (const std::size_t length :
             {0u, 1u, 55u, 56u, 63u, 64u, 65u, 119u, 120u, 128u, 300000u})
            for (const std::size_t part : {1u, 13u, 64u, 100u, 4096u, 131072u}) {
                if (part < 13 && length > 1000) continue;
                SCOPED_TRACE(std::string(means == Means::system ? "system, " : "") + "length " +
                             std::to_string(length) + ", parts of " + std::to_string(part));
                platform::LargeSha256 hash(means);
                for (std::size_t at = 0; at < length; at += part)
                    hash.add(bytes.data() + at, static_cast<DWORD>(std::min(part, length - at)));
                const Sha256 whole = sha256(bytes.data(), static_cast<DWORD>(length));
                const Sha256 parts = hash.finish();
                EXPECT_EQ(std::string(reinterpret_cast<const char *>(parts.bytes), 32),
                          std::string(reinterpret_cast<const char *>(whole.bytes), 32));
            }
}

TEST_F(Install, AnUninstallerCopyThatFailsIsReported) {
    ::CreateDirectoryA(target.c_str(), nullptr);
    ::CreateDirectoryA((target + "install.exe").c_str(), nullptr);
    PacingRecorder recorder;
    DialogWatcher watcher;
    install(target);
    ASSERT_EQ(watcher.seen().size(), 1u);
    EXPECT_EQ(watcher.seen()[0].text, "Cannot create file " + target + "install.exe.");
    // Known before the first file is written.
    EXPECT_FALSE(exists(target + "Tolmera.exe"));
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, utf8(manifest::kInstalledLocationKey)));
    EXPECT_FALSE(form().Button2->enabled());
}

// As from a CD: the old uninstaller is read-only, which would stop both its
// deletion and an overwrite.
TEST_F(Install, AReadOnlyOldUninstallerIsReplacedAndLeftWritable) {
    ::CreateDirectoryA(target.c_str(), nullptr);
    const std::string old = target + "install.exe";
    write_text_file(old, "an older uninstaller");
    ASSERT_TRUE(::SetFileAttributesA(old.c_str(), FILE_ATTRIBUTE_READONLY));
    PacingRecorder recorder;
    DialogWatcher watcher;
    install(target);
    EXPECT_TRUE(watcher.seen().empty());
    EXPECT_EQ(form().Button2->text(), "Finish");
    EXPECT_TRUE(read_file(old) == read_file(utf8(platform::module_path().c_str())));
    EXPECT_FALSE(::GetFileAttributesA(old.c_str()) & FILE_ATTRIBUTE_READONLY);
    const HANDLE writable = ::CreateFileA(old.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(writable, INVALID_HANDLE_VALUE);
    ::CloseHandle(writable);
}

// An uninstaller copy written over a file that has a second name would
// overwrite that other file too: the copy takes the name instead.
TEST_F(Install, AnOldUninstallerWithASecondNameIsNotWrittenThrough) {
    const std::string elsewhere = scratch_directory("install-elsewhere") + "\\system.dll";
    write_text_file(elsewhere, "someone else's");
    ::CreateDirectoryA(target.c_str(), nullptr);
    const std::string old = target + "install.exe";
    ASSERT_TRUE(::CreateHardLinkA(old.c_str(), elsewhere.c_str(), nullptr));
    PacingRecorder recorder;
    EXPECT_TRUE(docopy({wide(target)}, recorder));
    EXPECT_TRUE(read_file(old) == read_file(utf8(platform::module_path().c_str())));
    EXPECT_EQ(read_file(elsewhere), "someone else's");
}

// A second name of another file in a shortcut's place: saving the shortcut
// would overwrite that file. It is not made; the rest of the install goes on.
TEST_F(Install, AShortcutWithASecondNameIsNotSavedThrough) {
    const std::string elsewhere = scratch_directory("install-shortcut") + "\\system.dll";
    write_text_file(elsewhere, "someone else's");
    const auto paths = shortcut_paths();
    ::DeleteFileA(paths[1].c_str());
    ASSERT_TRUE(::CreateHardLinkA(paths[1].c_str(), elsewhere.c_str(), nullptr));
    PacingRecorder recorder;
    EXPECT_TRUE(docopy({wide(target)}, recorder));
    EXPECT_EQ(read_file(elsewhere), "someone else's");
    EXPECT_TRUE(read_shortcut(paths[0]).loaded);
    EXPECT_TRUE(read_shortcut(paths[2]).loaded);
    ::DeleteFileA(paths[1].c_str());
}

// The folders that the install makes carry the access list of Program
// Files, as one made protected on purpose does; one that was there before
// keeps its own. (Compared with such a folder rather than with a text:
// Wine keeps no access lists of its own and shows one made from the
// folder's Unix mode.)
TEST_F(Install, FoldersItMakesAreProtectedLikeProgramFiles) {
    const std::string existing = scratch_directory("install-protected");
    const std::string rights_before = access_list_of(existing);
    const std::string reference = scratch_directory("install-reference") + "\\protected";
    ASSERT_TRUE(platform::create_protected_directory(wide(reference)));
    const std::string protected_rights = access_list_of(reference);
    ASSERT_NE(rights_before, protected_rights);
    const std::string parent = existing + "\\Apps", made = parent + "\\Tolmera";
    PacingRecorder recorder;
    ASSERT_TRUE(docopy({wide(made + "\\")}, recorder));
    EXPECT_EQ(access_list_of(made), protected_rights);
    EXPECT_EQ(access_list_of(parent), protected_rights);
    EXPECT_EQ(access_list_of(existing), rights_before);
}

TEST_F(Install, WithoutAProgramsFolderTheSubFolderShortcutsAreSkipped) {
    const ShellFoldersGuard restore;
    delete_value(manifest::kUserRoot, utf8(manifest::kShellFoldersKey),
                 utf8(manifest::kProgramsValue));
    ::SetCurrentDirectoryA("C:\\");
    PacingRecorder recorder;
    EXPECT_TRUE(docopy({wide(target)}, recorder));
    EXPECT_FALSE(exists("C:\\Tolmera"));
    EXPECT_FALSE(exists("\\Tolmera"));
    const auto paths = shortcut_paths(); // Programs now reads as empty
    EXPECT_TRUE(read_shortcut(paths[0]).loaded);
    EXPECT_TRUE(read_shortcut(paths[2]).loaded);
}

// The Programs folder is the user's, and the shortcuts are saved with the
// user's rights: a link in place of its Tolmera sub-folder is followed, as
// the user's shell follows it. A value naming a folder through the device
// namespace reaches any folder whatever the user may write: nothing there.
TEST_F(Install, ALinkedProgramsFolderIsFollowedADeviceNamedOneGetsNoShortcuts) {
    const std::string elsewhere = scratch_directory("install-elsewhere");
    const auto entries = [&] {
        WIN32_FIND_DATAW found;
        const HANDLE search = ::FindFirstFileW(wide(elsewhere + "\\*").c_str(), &found);
        int count = 0;
        do
            count += std::wcscmp(found.cFileName, L".") && std::wcscmp(found.cFileName, L"..");
        while (::FindNextFileW(search, &found));
        ::FindClose(search);
        return count;
    };
    {
        remove_tree(programs_sub_folder());
        ASSERT_TRUE(make_unix_symbolic_link(elsewhere, programs_sub_folder()));
        PacingRecorder recorder;
        const bool installed = docopy({wide(target)}, recorder);
        remove_unix_symbolic_link(programs_sub_folder());
        EXPECT_TRUE(installed);
        for (const char *name : {"Corvanta.lnk", "Readme.lnk", "Uninstall.lnk"})
            EXPECT_TRUE(read_shortcut(elsewhere + "\\" + name).loaded) << name;
        EXPECT_TRUE(read_shortcut(shortcut_paths()[0]).loaded) << "the desktop's are made";
        remove_tree(elsewhere);
        ::CreateDirectoryA(elsewhere.c_str(), nullptr);
    }
    const ShellFoldersGuard restore;
    set_string(manifest::kUserRoot, utf8(manifest::kShellFoldersKey),
               utf8(manifest::kProgramsValue), "\\\\?\\" + elsewhere);
    PacingRecorder recorder;
    EXPECT_TRUE(docopy({wide(target)}, recorder));
    EXPECT_EQ(entries(), 0);
}

// Points the user's Desktop and Start-menu folders at a folder that is not
// there, so that the shell cannot give their paths, and puts them back.
class SpecialFoldersGone {
public:
    SpecialFoldersGone() {
        for (int i = 0; i < 2; ++i) {
            saved_[i] = read_raw(HKEY_CURRENT_USER, kKey, kNames[i]);
            set_string(HKEY_CURRENT_USER, kKey, kNames[i], "C:\\no such folder");
        }
    }
    ~SpecialFoldersGone() {
        for (int i = 0; i < 2; ++i) {
            if (!saved_[i].present) {
                delete_value(HKEY_CURRENT_USER, kKey, kNames[i]);
                continue;
            }
            HKEY key = nullptr;
            ::RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_SET_VALUE, &key);
            ::RegSetValueExA(key, kNames[i], 0, saved_[i].type,
                             reinterpret_cast<const BYTE *>(saved_[i].bytes.data()),
                             static_cast<DWORD>(saved_[i].bytes.size()));
            ::RegCloseKey(key);
        }
    }

private:
    static constexpr char kKey[] =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    static constexpr const char *kNames[2] = {"Desktop", "Start Menu"};
    RawValue saved_[2];
};

TEST_F(Install, WithoutADesktopOrStartMenuPathThoseShortcutsAreSkipped) {
    const auto paths = shortcut_paths(); // from the Shell Folders values, which stay
    ::SetCurrentDirectoryA("C:\\");
    {
        const SpecialFoldersGone gone;
        PacingRecorder recorder;
        EXPECT_TRUE(docopy({wide(target)}, recorder));
    }
    for (const char *root_link : {"C:\\Corvanta.lnk", "C:\\Readme.lnk"})
        EXPECT_FALSE(exists(root_link)) << root_link;
    EXPECT_FALSE(exists("C:\\no such folder"));
    for (std::size_t i = 0; i < paths.size(); ++i)
        EXPECT_EQ(exists(paths[i]), i >= 3) << paths[i];
}

// A stand-in for the desktop's icon view, which Wine does not have.
class FakeDesktop {
public:
    FakeDesktop() {
        WNDCLASSA window_class = {};
        window_class.lpfnWndProc = ::DefWindowProcA;
        window_class.hInstance = ::GetModuleHandleA(nullptr);
        for (const char *name : {"Progman", "SHELLDLL_DefView"}) {
            window_class.lpszClassName = name;
            ::RegisterClassA(&window_class);
        }
        manager_ = ::CreateWindowA("Progman", "Program Manager", WS_POPUP, 0, 0, 1, 1, nullptr,
                                   nullptr, window_class.hInstance, nullptr);
        view_ = ::CreateWindowA("SHELLDLL_DefView", "", WS_CHILD, 0, 0, 1, 1, manager_, nullptr,
                                window_class.hInstance, nullptr);
        icons_ = ::CreateWindowA("SysListView32", "", WS_CHILD, 0, 0, 1, 1, view_, nullptr,
                                 window_class.hInstance, nullptr);
    }
    ~FakeDesktop() { ::DestroyWindow(manager_); }
    HWND icons() const { return icons_; }

private:
    HWND manager_, view_, icons_;
};

TEST_F(Install, RefreshesTheDesktopWithF5DownAndUp) {
    PacingRecorder recorder;
    const FakeDesktop desktop;
    ::CreateDirectoryA(target.c_str(), nullptr);
    makeicon({wide(target)}, recorder);
    MSG down = {}, up = {};
    ASSERT_TRUE(::PeekMessageA(&down, desktop.icons(), WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));
    ASSERT_TRUE(::PeekMessageA(&up, desktop.icons(), WM_KEYUP, WM_KEYUP, PM_REMOVE));
    EXPECT_EQ(down.wParam, static_cast<WPARAM>(VK_F5));
    EXPECT_EQ(down.lParam, 0);
    EXPECT_EQ(up.wParam, static_cast<WPARAM>(VK_F5));
    EXPECT_EQ(static_cast<DWORD>(up.lParam), 0x80000000u);
}

} // namespace

namespace {

// Runs the install, and at the start of one of its steps (the n-th status
// line: the uninstaller and the first file, the four other files, the
// records) does what the machine does to it then.
class FaultAtStep : public PacingRecorder {
public:
    FaultAtStep(int step, std::function<void()> fault) : step_(step), fault_(std::move(fault)) {}
    void status(const platform::Text &text) override {
        PacingRecorder::status(text);
        if (seen_++ == step_ && fault_) fault_();
    }

private:
    int step_, seen_ = 0;
    std::function<void()> fault_;
};

// Lets everybody read the key (made if missing) and nobody change it.
void refuse_writes(const wchar_t *key_path, bool refuse) {
    HKEY key = nullptr;
    ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key_path, 0, nullptr, 0, READ_CONTROL | WRITE_DAC,
                      nullptr, &key, nullptr);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ::ConvertStringSecurityDescriptorToSecurityDescriptorW(
        refuse ? L"D:P(A;;KR;;;WD)" : L"D:P(A;;KA;;;WD)", SDDL_REVISION_1, &descriptor, nullptr);
    ::RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor);
    ::LocalFree(descriptor);
    ::RegCloseKey(key);
}

} // namespace

// Every way an install can stop, over nothing and over an older
// installation: it either completes, or leaves the files, records,
// shortcuts and restart list exactly as they were, a folder it made gone.
// What another program tries meanwhile on a file it holds is refused.
TEST_F(Install, StoppedAnywhereItLeavesEverythingAsItWasOrCompletes) {
    const std::string root = small_drive(), dir = root + "Tolmera\\";
    ASSERT_FALSE(root.empty());
    const std::wstring wide_dir = wide(dir);
    const ULONGLONG uninstaller_pages =
        (read_file(utf8(platform::module_path().c_str())).size() + 4095) / 4096 * 4096;
    const auto refused_to_others = [&](const char *name) {
        return [this, path = dir + name] {
            const HANDLE file =
                ::CreateFileA(path.c_str(), GENERIC_READ, 7, nullptr, OPEN_EXISTING, 0, nullptr);
            EXPECT_EQ(file, INVALID_HANDLE_VALUE) << path << " was opened by another program";
            ::CloseHandle(file);
        };
    };
    const struct {
        const char *what;
        int step; // -1: before the install starts
        std::function<void()> fault;
        bool completes;
    } cases[] = {
        {"a full disk at install.exe", 0, [&] { fill_drive(root, 0); }, false},
        {"a full disk at Tolmera.exe", 0, [&] { fill_drive(root, uninstaller_pages); }, false},
        {"a full disk at misuc.dat", 1, [&] { fill_drive(root, 0); }, false},
        {"a full disk at readme.chm", 2, [&] { fill_drive(root, 0); }, false},
        {"a full disk at orderform.htm", 3, [&] { fill_drive(root, 0); }, false},
        {"a full disk at Tolmera.xml", 4, [&] { fill_drive(root, 0); }, false},
        {"the entry's key refuses its values", -1,
         [] { refuse_writes(manifest::kUninstallKey, true); }, false},
        {"the location's key refuses its value", -1,
         [] { refuse_writes(manifest::kInstalledLocationKey, true); }, false},
        {"a target opened after the pre-flight", 2, refused_to_others("Tolmera.xml"), true},
        {"the staged uninstaller opened", 1, refused_to_others("install.exe.new"), true},
        {"what a commit killed half-way left", -1,
         [&] {
             ::MoveFileA((dir + "Tolmera.exe").c_str(), (dir + "Tolmera.exe.replaced").c_str());
             ::CopyFileA((dir + "misuc.dat").c_str(), (dir + "misuc.dat.replaced").c_str(), TRUE);
         },
         true},
    };
    const RestartListGuard restart_list;
    for (const bool over_older : {false, true})
        for (const auto &row : cases) {
            SCOPED_TRACE(std::string(row.what) + (over_older ? ", over an older install" : ""));
            if (over_older) {
                PacingRecorder quiet;
                ASSERT_TRUE(docopy({wide_dir}, quiet));
                for (const auto &payload : manifest::kPayloads)
                    write_text_file(dir + utf8(payload.file), "older");
                set_string(HKEY_LOCAL_MACHINE, utf8(manifest::kUninstallKey), "DisplayVersion",
                           "1.0");
            }
            // What a removal left to the restart: this install's to cancel.
            std::wstring pending;
            for (const auto &file : manifest::kInstalledFiles)
                pending += L"\\??\\" + wide_dir + file.name + L'\0' + L'\0';
            pending += L"\\??\\" + wide_dir.substr(0, wide_dir.size() - 1) + L'\0' + L'\0' + L'\0';
            ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, wide(kSessionManagerKey).c_str(),
                              wide(kPendingRenamesValue).c_str(), REG_MULTI_SZ, pending.data(),
                              static_cast<DWORD>(pending.size() * sizeof(wchar_t)));
            if (row.step < 0) row.fault();
            const std::string before = installation_state(dir);
            FaultAtStep run(row.step, row.fault);
            std::string error;
            try {
                EXPECT_TRUE(docopy({wide_dir}, run));
            } catch (const platform::SetupError &failure) {
                error = utf8(failure.what());
            }
            const std::string after = installation_state(dir);
            ::DeleteFileA((root + "filler").c_str());
            if (row.completes) {
                EXPECT_EQ(error, "");
                EXPECT_EQ(after.find(".new "), std::string::npos) << after;
                EXPECT_EQ(after.find(".replaced "), std::string::npos) << after;
                EXPECT_NE(after.find("restart list none"), std::string::npos) << after;
            } else {
                EXPECT_NE(error, "");
                EXPECT_EQ(after, before);
                EXPECT_EQ(exists(dir), over_older) << "the folder the install made";
            }
            refuse_writes(manifest::kUninstallKey, false);
            refuse_writes(manifest::kInstalledLocationKey, false);
            remove_installation_traces();
            remove_tree(root + "Tolmera");
        }
}
