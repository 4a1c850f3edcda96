// A program file whose carried bytes were damaged after the build (a bad
// download, a flipped bit on a disk) must not install what it carries; nor
// may a file put in the program's place become the uninstaller.
#include "product/manifest.h"
#include "support/environment.h"
#include "support/text.h"
#include "support/installed_product.h"
#include "support/registry_state.h"
#include "support/setup_driver.h"
#include <gtest/gtest.h>
#include <algorithm>

using namespace testing_support;

namespace {

// A copy of the built program with one byte of the carried file source
// flipped. Resources are stored verbatim, so the file's bytes are found
// inside the program file as they are.
std::string damaged_copy(const std::string &directory, const std::string &name,
                         const std::string &source) {
    std::string program = read_file(path_from_environment("INSTAL_EXE"));
    const std::string carried = read_file(source);
    const auto at = program.find(carried);
    EXPECT_FALSE(carried.empty());
    EXPECT_NE(at, std::string::npos) << source << " is not stored verbatim";
    EXPECT_EQ(at, program.rfind(carried)) << source << " is stored more than once";
    if (at == std::string::npos) return {};
    program[at + carried.size() / 2] ^= 0x20;
    const std::string copy = directory + "\\" + name;
    write_text_file(copy, program);
    return copy;
}

std::vector<std::string> files_in(const std::string &directory) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    const HANDLE search = ::FindFirstFileA((directory + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

class DamagedPayload : public ::testing::Test {
protected:
    void SetUp() override {
        delete_product_keys();
        programs_ = scratch_directory("damaged-program");
        target_ = scratch_directory("damaged-target");
    }
    void TearDown() override {
        remove_product(target_ + "\\");
        remove_tree(programs_);
    }

    // Runs program, installs into the target and answers the error box,
    // which is expected to say message under title.
    void install_expecting_error(const std::string &program, const std::string &title,
                                 const std::string &message,
                                 const std::function<void()> &before_first_instruction = {}) {
        SetupDriver setup(program, "", "", SetupDriver::FirstWindow::main,
                          before_first_instruction);
        ASSERT_TRUE(setup.has_window());
        setup.start_install(target_);
        const ForeignDialog box = setup.wait_for_dialog();
        ASSERT_NE(box.window, nullptr) << "no error box";
        EXPECT_EQ(box.title, title);
        EXPECT_EQ(box.text, message);
        EXPECT_TRUE(box.has_icon);
        SetupDriver::press_button(box, "OK");
        setup.settle();
        // The wizard cannot go on; only the close box ends it.
        EXPECT_FALSE(is_enabled(setup.control("Button2")));
        setup.close_window();
        EXPECT_TRUE(setup.process().wait_for_exit());
        EXPECT_FALSE(exists(programs_ + "\\" + utf8(manifest::kSelfRemovalScript)));
        EXPECT_EQ(windows_temp_entries(), temp_before_) << "a script's folder was made";
    }

    void expect_no_registry_records() const {
        EXPECT_FALSE(key_exists(manifest::kMachineRoot, utf8(manifest::kInstalledLocationKey)));
        EXPECT_FALSE(key_exists(manifest::kMachineRoot, utf8(manifest::kUninstallKey)));
    }

    std::string programs_, target_;
    const std::vector<std::string> temp_before_ = windows_temp_entries();
};

TEST_F(DamagedPayload, DamagedSettingsFileWritesNothing) {
    const std::string copy = damaged_copy(
        programs_, "DAMAGED.copy.exe", path_from_environment("INSTAL_PAYLOAD_DIR") + "\\misuc.dat");
    ASSERT_FALSE(copy.empty());
    install_expecting_error(copy, "Damaged", "Resource MFACE is damaged.");

    // All payloads are checked before the first is written: not even the
    // application, which comes before the damaged file, was written.
    EXPECT_TRUE(files_in(target_).empty());
    expect_no_registry_records();
}

// The last payload is damaged: the four before it are whole, yet none of
// them replaces the working installation already in the target.
TEST_F(DamagedPayload, DamagedFifthPayloadLeavesTheFirstFourUnwritten) {
    const std::string payload = path_from_environment("INSTAL_PAYLOAD_DIR") + "\\";
    const std::string copy = damaged_copy(programs_, "setup.exe", payload + "Tolmera.xml");
    ASSERT_FALSE(copy.empty());
    const char *const earlier[] = {"Tolmera.exe", "misuc.dat", "readme.chm", "orderform.htm"};
    for (const char *name : earlier)
        write_text_file(target_ + "\\" + name, "of the working installation");
    install_expecting_error(copy, "setup", "Resource MXML is damaged.");

    for (const char *name : earlier)
        EXPECT_EQ(read_file(target_ + "\\" + name), "of the working installation") << name;
    EXPECT_FALSE(exists(target_ + "\\Tolmera.xml"));
    expect_no_registry_records();
}

TEST_F(DamagedPayload, DamagedApplicationWritesNothing) {
    const std::string copy =
        damaged_copy(programs_, "setup.exe", path_from_environment("INSTAL_APPLICATION_FILE"));
    ASSERT_FALSE(copy.empty());
    install_expecting_error(copy, "setup", "Resource MAPP is damaged.");

    EXPECT_TRUE(files_in(target_).empty());
    expect_no_registry_records();
    for (const auto &shortcut : expected_shortcuts(target_ + "\\"))
        EXPECT_FALSE(exists(shortcut.path)) << shortcut.path;
}

// The help file and the order form, damaged: each is refused before the
// first file is written, as every carried file is.
TEST_F(DamagedPayload, DamagedHelpOrOrderFormWritesNothing) {
    const std::string payload = path_from_environment("INSTAL_PAYLOAD_DIR") + "\\";
    const std::pair<const char *, const char *> files[] = {{"readme.chm", "MREADME"},
                                                           {"orderform.htm", "MORDERF"}};
    for (const auto &[file, resource] : files) {
        SCOPED_TRACE(file);
        const std::string copy = damaged_copy(programs_, "setup.exe", payload + file);
        ASSERT_FALSE(copy.empty());
        install_expecting_error(copy, "setup",
                                std::string("Resource ") + resource + " is damaged.");
        EXPECT_TRUE(files_in(target_).empty());
        expect_no_registry_records();
    }
}

// The downloaded setup file swapped, after the elevated start and before
// the program's first instruction, for a copy with one byte of an imported
// DLL's name changed: every later elevated uninstall would load that DLL.
// The copy is not written as the uninstaller: the repair stops before
// anything is written, and the working uninstaller stays.
TEST_F(DamagedPayload, ASetupFileSwappedBeforeItsFirstInstructionIsNotTheUninstaller) {
    write_text_file(target_ + "\\install.exe", "the working uninstaller");
    const std::string program = programs_ + "\\setup.exe";
    std::string swapped = read_file(path_from_environment("INSTAL_EXE"));
    write_text_file(program, swapped);
    const auto name = swapped.find("ole32.dll");
    ASSERT_NE(name, std::string::npos);
    ASSERT_EQ(name, swapped.rfind("ole32.dll"));
    swapped[name + 2] = 'f';
    install_expecting_error(
        program, "setup", "Cannot create file " + target_ + "\\install.exe.", [&] {
            ASSERT_TRUE(::MoveFileA(program.c_str(), (program + ".away").c_str()));
            write_text_file(program, swapped);
        });
    EXPECT_EQ(files_in(target_), std::vector<std::string>{"install.exe"});
    EXPECT_EQ(read_file(target_ + "\\install.exe"), "the working uninstaller");
    EXPECT_EQ(read_file(program), swapped) << "the swap did not take";
}

} // namespace
