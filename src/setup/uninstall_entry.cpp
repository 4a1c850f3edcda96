#include "uninstall_entry.h"
#include "platform/files/paths.h"
#include "platform/registry.h"
#include "platform/resources.h"
#include "product/manifest.h"

namespace {

// The installed files in KiB, rounded up: the payloads and the uninstaller,
// which is a copy of the running program.
DWORD installed_kibibytes() {
    ULONGLONG bytes = 0;
    for (const auto &payload : manifest::kPayloads)
#ifdef INSTAL_COMPRESS_PAYLOAD
        bytes += payload.file_size; // the carried stream is smaller
#else
        bytes +=
            platform::find_resource(::GetModuleHandleW(nullptr), payload.type, payload.name).size;
#endif
    WIN32_FILE_ATTRIBUTE_DATA program;
    if (::GetFileAttributesExW(platform::module_path().c_str(), GetFileExInfoStandard, &program))
        bytes += program.nFileSizeLow;
    return static_cast<DWORD>((bytes + 1023) >> 10);
}

// The local date as YYYYMMDD.
platform::Text local_date() {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    wchar_t text[16];
    ::wsprintfW(text, L"%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
    return text;
}

} // namespace

void write_entry_details(const platform::Text &directory) {
    const auto key = platform::RegistryKey::create(manifest::kMachineRoot, manifest::kUninstallKey);
    const wchar_t *const dir = directory.c_str();
    key.write_text(manifest::kDisplayVersionValue, manifest::kVersion);
    key.write_text(manifest::kPublisherValue, manifest::kPublisher);
    key.write_text(manifest::kDisplayIconValue,
                   platform::joined({dir, manifest::kApplicationFile, L",0"}));
    key.write_text(manifest::kInstallLocationValue, directory);
    key.write_text(manifest::kInstallDateValue, local_date());
    key.write_text(manifest::kQuietUninstallStringValue,
                   platform::joined({L"\"", dir, manifest::kUninstallerFile, manifest::kQuietEnd}));
    key.write_number(manifest::kEstimatedSizeValue, installed_kibibytes());
    key.write_number(manifest::kNoModifyValue, 1);
    key.write_number(manifest::kNoRepairValue, 1);
}
