// docopy: the install sequence, step by step as the user watches it.
#include "platform/files/files.h"
#include "platform/files/image_file.h"
#include "platform/owners.h"
#include "platform/files/paths.h"
#include "platform/files/restart_list.h"
#include "platform/registry.h"
#include "platform/resources.h"
#include "platform/security/security.h"
#include "platform/setup_error.h"
#include "platform/startup_probe.h"
#include "product/manifest.h"
#include "setup/payload/payload_check.h"
#ifdef INSTAL_COMPRESS_PAYLOAD
#include "setup/payload/payload_unpack.h"
#endif
#include "steps.h"
#include "uninstall_entry.h"
#include <iterator>
#include <optional>

namespace {

using Carried = PayloadDigests::Carried;

void find_payloads(Carried &carried) {
    for (std::size_t i = 0; i < std::size(manifest::kPayloads); ++i)
        carried[i] = platform::find_resource(
            ::GetModuleHandleW(nullptr), manifest::kPayloads[i].type, manifest::kPayloads[i].name);
}

void write_payload(const Carried &carried, std::size_t index, const platform::Text &dir) {
#ifdef INSTAL_COMPRESS_PAYLOAD
    const auto &payload = manifest::kPayloads[index];
    unpack_payload(dir + payload.file, manifest::kInstalledFiles[index].staged_suffix,
                   carried[index].data, carried[index].size, payload.lzma_properties, payload.x86,
                   payload.file_sha256);
#else
    platform::write_file(dir + manifest::kPayloads[index].file, carried[index].data,
                         carried[index].size);
#endif
}

void write_machine_value(const wchar_t *key_path, const wchar_t *name, const platform::Text &data) {
    platform::RegistryKey::create(manifest::kMachineRoot, key_path); // closed at once
    const auto key = platform::RegistryKey::open(manifest::kMachineRoot, key_path);
    if (key.is_open()) key.write_text(name, data);
}

// Makes dir canonical, so that every record and shortcut names the folder
// as the file system does, and creates it and its missing parents, holding
// each folder on the way: 0 when done, else the system's error code for why
// not. A path that is not full would be resolved against the current
// directory, which an elevated setup was never told to use.
DWORD make_directory(platform::Text &dir, platform::HeldFolders &held) {
    if (!platform::is_acceptable_path(dir)) return ERROR_INVALID_NAME;
    platform::Text canonical = platform::canonical_directory(dir);
    if (canonical.empty()) return ERROR_BAD_PATHNAME;
    dir = std::move(canonical);
    platform::RunningAccount account;
    return platform::force_directories(dir, account.trusted_sid(), held);
}

// The running program, written as the uninstaller from its own file as it
// was opened at start-up, and known by the digest the build recorded in the
// running image: whatever has since been put at the program's path never
// becomes the uninstaller that the list of programs starts elevated. The
// copy is written and checked under another name before anything else is
// written, so that one that cannot be made stops the install with nothing
// changed, and a repair never loses the uninstaller that works; it takes
// its place at its own step, by a rename, and is removed on every other way
// out. Installing again from the uninstaller into its own directory finds
// the target to be the running file itself, however the directory was
// typed: it is left as it is, and nothing is staged.
class UninstallerCopy {
public:
    explicit UninstallerCopy(const platform::Text &directory)
        : target_(platform::trim(directory + manifest::kUninstallerFile)) {
        if (platform::same_file(platform::trim(platform::module_path()), target_)) return;
        const platform::Text staged = platform::joined(
            {directory.c_str(), manifest::kUninstaller.name, manifest::kUninstaller.staged_suffix});
        const platform::ImageFile &image = platform::ImageFile::running();
        // A folder in its place would refuse the rename, after everything else.
        DWORD error = ERROR_ACCESS_DENIED;
        if (image.opened() && !platform::directory_exists(target_)) try {
                platform::RunningProgramCopy check;
                platform::copy_file(image.handle(), staged, check);
                staged_ = staged;
                return;
            } catch (const platform::SetupError &failure) {
                error = failure.code();
            }
        ::DeleteFileW(staged.c_str());
        cannot_create(error);
    }
    UninstallerCopy(const UninstallerCopy &) = delete;
    UninstallerCopy &operator=(const UninstallerCopy &) = delete;
    ~UninstallerCopy() {
        if (!staged_.empty()) ::DeleteFileW(staged_.c_str());
    }

    void put_in_place() {
        if (staged_.empty()) return;
        // An old copy made read-only (from a CD) could not be replaced; a
        // link in its place is replaced itself, what it leads to left alone.
        if (!platform::leads_elsewhere(target_)) platform::clear_read_only(target_);
        if (!::MoveFileExW(staged_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING))
            cannot_create(::GetLastError());
        staged_.clear();
    }

private:
    [[noreturn]] void cannot_create(DWORD error) const {
        platform::cannot_create_file(target_, error);
    }

    platform::Text target_, staged_;
};

// What a removal left to the next restart (files in use then) must not
// take what this install writes: the restart would delete the new files.
void keep_through_restart(const platform::Text &dir) {
    constexpr std::size_t files = std::size(manifest::kInstalledFiles);
    platform::Text names[files + 1];
    for (std::size_t i = 0; i < files; ++i)
        names[i] = dir + manifest::kInstalledFiles[i].name;
    names[files] = dir.substr(0, dir.size() - 1);
    platform::cancel_deletions_at_restart(names, std::size(names));
}

// Every file the install replaces, tried for writing and deleting with no
// sharing before the first is written: one in use (the application
// running, a file held open) would stop the install half-way, with some
// files replaced. The running program itself, as the target of its own
// copy, is left alone, as the copy leaves it.
void check_replaceable(const platform::Text &dir) {
    const platform::Text running = platform::module_path();
    for (const auto &installed : manifest::kInstalledFiles) {
        const platform::Text target = dir + installed.name;
        if (platform::same_file(running, target)) continue;
        if (!platform::open_unshared(target) && ::GetLastError() == ERROR_SHARING_VIOLATION)
            platform::cannot_create_file(target, ERROR_SHARING_VIOLATION);
    }
}

} // namespace

bool docopy(const Installation &installation, Progress &progress) {
    platform::Text dir = installation.directory;
    const auto &payloads = manifest::kPayloads;

    // What is left here is later run as administrator: a folder that anyone
    // else may change, or that is reached through a link, is not used. The
    // folders stay held until the last file is written.
    platform::HeldFolders folders;
    if (const DWORD failure = make_directory(dir, folders)) {
        progress.message(L"fail to make dir!", L"OOooooP", failure);
        return false;
    }
    check_replaceable(dir);
    STARTUP_PROBE("install: folder made");
    progress.status(L"copy main exe to" + dir);
    progress.position(0);
    progress.process_messages();
    // Every payload is checked before the first of them is written: a
    // damaged later one must not stop the install after the earlier files
    // have already replaced a working installation. The check runs beside
    // the uninstaller's copy, and its error comes first, as when the two ran
    // one after the other: a damaged program file fails both.
    Carried carried;
    find_payloads(carried);
    PayloadDigests digests(carried);
    std::optional<UninstallerCopy> uninstaller;
    try {
        uninstaller.emplace(dir);
    } catch (const platform::SetupError &) {
        digests.verify();
        throw;
    }
    STARTUP_PROBE("install: uninstaller staged");
    digests.verify();
    STARTUP_PROBE("install: payloads checked");
    keep_through_restart(dir);
    write_payload(carried, 0, dir);
    progress.position(10);
    progress.pause(400);
    progress.position(90);

    // Settings, help, order form; each followed by its position and a return to 90.
    const int positions[] = {20, 30, 40};
    for (std::size_t i = 1; i <= 3; ++i) {
        progress.status(platform::joined({L"copy ", dir.c_str(), payloads[i].file}));
        progress.process_messages();
        write_payload(carried, i, dir);
        progress.position(positions[i - 1]);
        progress.pause(400);
        progress.position(90);
    }
    progress.status(platform::joined({L"copy ", dir.c_str(), payloads[4].file}));
    progress.process_messages();
    write_payload(carried, 4, dir);
    progress.position(50);
    progress.pause(400);

    STARTUP_PROBE("install: files written");
    progress.status(L"Write to Registry");
    progress.process_messages();
    progress.pause(400);
    progress.position(90);
    write_machine_value(manifest::kUninstallKey, manifest::kDisplayNameValue,
                        manifest::kProductName);
    // Quoted: unquoted, a directory with blanks would let the system start
    // another program ("C:\Program.exe") from the first part of the path.
    write_machine_value(manifest::kUninstallKey, manifest::kUninstallStringValue,
                        platform::joined({L"\"", dir.c_str(), manifest::kUninstallerFile, L"\""}));
    write_entry_details(dir);
    write_machine_value(manifest::kInstalledLocationKey, manifest::kInstalledLocationValue, dir);
    progress.position(95);

    uninstaller->put_in_place();
    STARTUP_PROBE("install: records written");

    progress.position(20);
    progress.status(L"Create desktop icon  ");
    progress.process_messages();
    progress.pause(700);
    makeicon({dir, installation.all_users_shortcuts}, progress);
    STARTUP_PROBE("install: shortcuts made");

    progress.position(100);
    progress.status(L"install has finish!");
    return true;
}
