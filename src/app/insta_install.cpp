// docopy: the install sequence, step by step as the user watches it.
#include "../platform/files.h"
#include "../platform/paths.h"
#include "../platform/registry.h"
#include "../platform/resources.h"
#include "../platform/setup_error.h"
#include "../window/application.h"
#include "insta.h"
#include "manifest.h"
#include "payload_check.h"

using insta::install_directory;

namespace {

void write_payload(const manifest::Payload &payload, const platform::Text &target) {
    const auto bytes =
        platform::find_resource(::GetModuleHandleA(nullptr), payload.type, payload.name);
    verify_payload(payload.name, bytes.data, bytes.size);
    platform::write_file(target, bytes.data, bytes.size);
}

void write_machine_value(const char *key_path, const char *name, const platform::Text &data) {
    platform::RegistryKey::create(manifest::kMachineRoot, key_path); // closed at once
    const auto key = platform::RegistryKey::open(manifest::kMachineRoot, key_path);
    if (key.is_open()) key.write_text(name, data);
}

// The running program, copied as the uninstaller. When source and target
// are one file the copy fails, unreported, and the file stays as it is.
void place_uninstaller_copy(const platform::Text &directory) {
    const platform::Text source = platform::trim(platform::module_path());
    const platform::Text target = platform::trim(directory + manifest::kUninstallerFile);
    if (source == target) {
        ::CopyFileA(source.c_str(), target.c_str(), FALSE);
        return;
    }
    if (platform::file_exists(target)) ::DeleteFileA(target.c_str());
    if (!::CopyFileA(source.c_str(), target.c_str(), FALSE))
        platform::raise_error(platform::format_message("Cannot create file %s", target));
    // A setup program run from a CD is read-only, and so would be its copy,
    // which the uninstall must be able to delete.
    const DWORD attributes = ::GetFileAttributesA(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        ::SetFileAttributesA(target.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
}

} // namespace

void TForm1::docopy() {
    const platform::Text &dir = install_directory;
    const auto &payloads = manifest::kPayloads;

    if (!platform::force_directories(dir)) {
        ::MessageBoxA(::GetFocus(), "fail to make dir!", "OOooooP", MB_OK);
        return;
    }
    set_status("copy main exe to" + dir);
    set_position(0);
    pacing().process_messages();
    write_payload(payloads[0], dir + payloads[0].file);
    set_position(10);
    pacing().pause(400);
    set_position(90);

    // Settings, help, order form; each followed by its position and a return to 90.
    const int positions[] = {20, 30, 40};
    for (int i = 1; i <= 3; ++i) {
        set_status("copy " + dir + payloads[i].file);
        pacing().process_messages();
        write_payload(payloads[i], dir + payloads[i].file);
        set_position(positions[i - 1]);
        pacing().pause(400);
        set_position(90);
    }
    set_status("copy " + dir + payloads[4].file);
    pacing().process_messages();
    write_payload(payloads[4], dir + payloads[4].file);
    set_position(50);
    pacing().pause(400);

    set_status("Write to Registry");
    pacing().process_messages();
    pacing().pause(400);
    set_position(90);
    write_machine_value(manifest::kUninstallKey, manifest::kDisplayNameValue,
                        manifest::kProductName);
    // Quoted: unquoted, a directory with blanks would let the system start
    // another program ("C:\Program.exe") from the first part of the path.
    write_machine_value(manifest::kUninstallKey, manifest::kUninstallStringValue,
                        "\"" + dir + manifest::kUninstallerFile + "\"");
    write_machine_value(manifest::kInstalledLocationKey, manifest::kInstalledLocationValue, dir);
    set_position(95);

    place_uninstaller_copy(dir);

    set_position(20);
    set_status("Create desktop icon  ");
    pacing().process_messages();
    pacing().pause(700);
    makeicon();

    Button2->set_enabled(true);
    Button2->set_text("Finish");
    set_position(100);
    set_status("install has finish!");
}
