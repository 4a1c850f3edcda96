// docopy: the install sequence, step by step as the user watches it.
#include "platform/files/files.h"
#include "platform/files/made_folders.h"
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
#include "installed_files.h"
#include "platform/registry_snapshot.h"
#include "steps.h"
#include "uninstall_entry.h"
#include <iterator>

namespace {

using Carried = PayloadDigests::Carried;
constexpr std::size_t kUninstallerRow = std::size(manifest::kInstalledFiles) - 1;

void find_payloads(Carried &carried) {
    for (std::size_t i = 0; i < std::size(manifest::kPayloads); ++i)
        carried[i] = platform::find_resource(
            ::GetModuleHandleW(nullptr), manifest::kPayloads[i].type, manifest::kPayloads[i].name);
}

void stage_payload(platform::StagedFile &file, const Carried &carried, std::size_t index) {
    file.open();
#ifdef INSTAL_COMPRESS_PAYLOAD
    const auto &payload = manifest::kPayloads[index];
    unpack_payload(file, carried[index].data, carried[index].size, payload.lzma_properties,
                   payload.x86, payload.file_sha256);
#else
    file.write(carried[index].data, carried[index].size);
#endif
}

void write_machine_value(const wchar_t *key_path, const wchar_t *name, const platform::Text &data) {
    platform::RegistryKey::create(manifest::kMachineRoot, key_path); // closed at once
    const auto key = platform::RegistryKey::open(manifest::kMachineRoot, key_path);
    if (key.is_open()) key.write_text(name, data);
}

// Makes dir canonical, in its long form, so that every record and shortcut
// names the folder as the file system does, and creates it and its missing
// parents, noted in made, holding each folder on the way: 0 when done, else
// the system's error code for why not. A path that is not full would be
// resolved against the current directory, which an elevated setup was
// never told to use.
DWORD make_directory(platform::Text &dir, platform::HeldFolders &held,
                     platform::MadeFolders &made) {
    if (!platform::is_acceptable_path(dir)) return ERROR_INVALID_NAME;
    platform::Text canonical = platform::canonical_directory(dir);
    if (canonical.empty()) return ERROR_BAD_PATHNAME;
    dir = std::move(canonical);
    made.note(dir);
    platform::RunningAccount account;
    if (const DWORD failure = platform::force_directories(dir, account.trusted_sid(), held))
        return failure;
    dir = platform::long_path(dir);
    return 0;
}

// The running program, written as the uninstaller from its own file as it
// was opened at start-up, and known by the digest the build recorded in the
// running image: whatever has since been put at the program's path never
// becomes the uninstaller that the list of programs starts elevated. It is
// staged before any other file, so that one that cannot be made stops the
// install before the others are written.
void stage_uninstaller(platform::StagedFile *file) {
    if (!file) return;
    const platform::ImageFile &image = platform::ImageFile::running();
    if (!image.opened()) platform::cannot_create_file(file->target(), ERROR_ACCESS_DENIED);
    // Whatever stops the copy, a full disk included, is the uninstaller's.
    try {
        file->open();
        platform::RunningProgramCopy check;
        file->copy_from(image.handle(), check);
    } catch (const platform::SetupError &failure) {
        platform::cannot_create_file(file->target(), failure.code());
    }
}

// What a removal left to the next restart (files in use then) must not
// take what this install wrote: the restart would delete the new files.
// Done at the commit, once nothing is given back any more.
void keep_through_restart(const platform::Text &dir) {
    constexpr std::size_t files = std::size(manifest::kInstalledFiles);
    platform::Text names[files + 1];
    for (std::size_t i = 0; i < files; ++i)
        names[i] = dir + manifest::kInstalledFiles[i].name;
    names[files] = dir.substr(0, dir.size() - 1);
    platform::cancel_deletions_at_restart(names, std::size(names));
}

} // namespace

bool docopy(const Installation &installation, Progress &progress) {
    platform::Text dir = installation.directory;
    const auto &payloads = manifest::kPayloads;

    // What is left here is later run as administrator: a folder that anyone
    // else may change, or that is reached through a link, is not used. The
    // folders stay held until the last file is written.
    platform::MadeFolders made;
    platform::HeldFolders folders;
    if (const DWORD failure = make_directory(dir, folders, made)) {
        progress.message(L"fail to make dir!", L"OOooooP", failure);
        return false;
    }
    // Every file the install replaces is held from here on, with no
    // sharing: one in use (the application running, a file held open)
    // stops the install before anything is written, and nobody can stop its
    // replacement later.
    InstalledFiles files(dir);
    STARTUP_PROBE("install: folder made");
    progress.status(L"copy main exe to" + dir);
    progress.position(0);
    progress.process_messages();
    // Every payload is checked before the first of them is written. The
    // check runs beside the uninstaller's copy, and its error comes first,
    // as when the two ran one after the other: a damaged program file fails
    // both.
    Carried carried;
    find_payloads(carried);
    PayloadDigests digests(carried);
    try {
        stage_uninstaller(files[kUninstallerRow]);
    } catch (const platform::SetupError &) {
        digests.verify();
        throw;
    }
    STARTUP_PROBE("install: uninstaller staged");
    digests.verify();
    STARTUP_PROBE("install: payloads checked");
    stage_payload(*files[0], carried, 0);
    progress.position(10);
    progress.pause(400);
    progress.position(90);

    // Settings, help, order form; each followed by its position and a return to 90.
    const int positions[] = {20, 30, 40};
    for (std::size_t i = 1; i <= 3; ++i) {
        progress.status(platform::joined({L"copy ", dir.c_str(), payloads[i].file}));
        progress.process_messages();
        stage_payload(*files[i], carried, i);
        progress.position(positions[i - 1]);
        progress.pause(400);
        progress.position(90);
    }
    progress.status(platform::joined({L"copy ", dir.c_str(), payloads[4].file}));
    progress.process_messages();
    stage_payload(*files[4], carried, 4);
    progress.position(50);
    progress.pause(400);

    STARTUP_PROBE("install: files staged");
    progress.status(L"Write to Registry");
    progress.process_messages();
    progress.pause(400);
    progress.position(90);
    // The commit: the six files in place, then the records, which name
    // them; any failure gives back the records and then the files.
    files.commit();
    STARTUP_PROBE("install: files in place");
    {
        platform::RegistrySnapshot entry(manifest::kMachineRoot, manifest::kUninstallKey);
        platform::RegistrySnapshot location(manifest::kMachineRoot,
                                            manifest::kInstalledLocationKey);
        write_machine_value(manifest::kUninstallKey, manifest::kDisplayNameValue,
                            manifest::kProductName);
        // Quoted: unquoted, a directory with blanks would let the system start
        // another program ("C:\Program.exe") from the first part of the path.
        write_machine_value(
            manifest::kUninstallKey, manifest::kUninstallStringValue,
            platform::joined({L"\"", dir.c_str(), manifest::kUninstallerFile, L"\""}));
        write_entry_details(dir);
        write_machine_value(manifest::kInstalledLocationKey, manifest::kInstalledLocationValue,
                            dir);
        keep_through_restart(dir);
        entry.keep();
        location.keep();
    }
    files.keep();
    made.keep();
    progress.position(95);
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
