#include "image_file.h"
#include "dll_function.h"
#include "paths.h"
#include <winternl.h>
#include <cstddef>
#include <cstring>

namespace platform {

namespace {

const IMAGE_NT_HEADERS32 &nt_headers(const unsigned char *image) {
    const auto *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(image);
    return *reinterpret_cast<const IMAGE_NT_HEADERS32 *>(image + dos->e_lfanew);
}

DWORD read32(const unsigned char *at) {
    DWORD value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// A section's bytes in the file, a page at a time, relocated by delta as
// the system relocated the loaded image, against the loaded image.
bool section_matches(const unsigned char *file, const unsigned char *image,
                     const IMAGE_SECTION_HEADER &section, DWORD length, DWORD delta) {
    const IMAGE_DATA_DIRECTORY &relocations =
        nt_headers(image).OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_BASERELOC];
    const unsigned char *const source = file + section.PointerToRawData;
    unsigned char page[4096];
    for (DWORD offset = 0; offset < length; offset += sizeof page) {
        const DWORD count = length - offset < sizeof page ? length - offset : sizeof page;
        const DWORD first = section.VirtualAddress + offset;
        std::memcpy(page, source + offset, count);
        for (DWORD at = 0; delta && at + sizeof(IMAGE_BASE_RELOCATION) <= relocations.Size;) {
            const auto *block = reinterpret_cast<const IMAGE_BASE_RELOCATION *>(
                image + relocations.VirtualAddress + at);
            if (block->SizeOfBlock < sizeof *block) return false;
            const auto *entries = reinterpret_cast<const WORD *>(block + 1);
            const DWORD entry_count = (block->SizeOfBlock - sizeof *block) / sizeof(WORD);
            for (DWORD i = 0; i < entry_count; ++i) {
                const DWORD rva = block->VirtualAddress + (entries[i] & 0xFFF);
                if (entries[i] >> 12 != IMAGE_REL_BASED_HIGHLOW || rva + 4 <= first ||
                    rva >= first + count || rva < section.VirtualAddress ||
                    rva + 4 > section.VirtualAddress + length)
                    continue;
                const DWORD value = read32(source + (rva - section.VirtualAddress)) + delta;
                for (DWORD byte = 0; byte < 4; ++byte)
                    if (rva + byte >= first && rva + byte < first + count)
                        page[rva + byte - first] = static_cast<unsigned char>(value >> (8 * byte));
            }
            at += block->SizeOfBlock;
        }
        if (std::memcmp(page, image + first, count) != 0) return false;
    }
    return true;
}

} // namespace

bool file_holds_image(const unsigned char *bytes, DWORD size, const unsigned char *image) {
    const IMAGE_NT_HEADERS32 &loaded = nt_headers(image);
    const DWORD header_size = loaded.OptionalHeader.SizeOfHeaders;
    const DWORD base_at =
        static_cast<DWORD>(reinterpret_cast<const unsigned char *>(&loaded) - image +
                           offsetof(IMAGE_NT_HEADERS32, OptionalHeader.ImageBase));
    if (size < header_size || base_at + 4 > header_size) return false;
    // The system may note the address it loaded the image at in its headers.
    Buffer<unsigned char> headers(bytes, header_size);
    const DWORD preferred_base = read32(bytes + base_at);
    std::memcpy(headers.data() + base_at, image + base_at, 4);
    if (std::memcmp(headers.data(), image, header_size) != 0) return false;

    const DWORD delta = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(image)) - preferred_base;
    const DWORD resources =
        loaded.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_RESOURCE].VirtualAddress;
    const IMAGE_SECTION_HEADER *section = IMAGE_FIRST_SECTION(&loaded);
    for (WORD i = 0; i < loaded.FileHeader.NumberOfSections; ++i, ++section) {
        // Data the program writes while it runs, import addresses among it;
        // the resources, which nothing writes, count however they are marked.
        const bool holds_resources =
            resources >= section->VirtualAddress &&
            resources < section->VirtualAddress + section->Misc.VirtualSize;
        if ((section->Characteristics & IMAGE_SCN_MEM_WRITE) && !holds_resources) continue;
        const DWORD length = section->SizeOfRawData < section->Misc.VirtualSize
                                 ? section->SizeOfRawData
                                 : section->Misc.VirtualSize;
        if (section->PointerToRawData > size || length > size - section->PointerToRawData ||
            !section_matches(bytes, image, *section, length, delta))
            return false;
    }
    return true;
}

ImageFile &ImageFile::running() {
    static ImageFile file(module_path());
    return file;
}

ImageFile::ImageFile(const Text &path)
    : file_(::CreateFileW(path.c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ, nullptr,
                          OPEN_EXISTING, 0, nullptr)) {
    LARGE_INTEGER size = {};
    if (!file_ || !::GetFileSizeEx(file_.get(), &size) || size.HighPart) return;
    size_ = size.LowPart;
    mapping_.reset(::CreateFileMappingW(file_.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (mapping_) view_ = ::MapViewOfFile(mapping_.get(), FILE_MAP_READ, 0, 0, 0);
    verified_ = view_ && file_holds_image(
                             static_cast<const unsigned char *>(view_), size_,
                             reinterpret_cast<const unsigned char *>(::GetModuleHandleW(nullptr)));
}

ImageFile::~ImageFile() {
    if (view_) ::UnmapViewOfFile(view_);
}

bool ImageFile::move_to(const Text &path) const {
    BY_HANDLE_FILE_INFORMATION file_info, folder_info;
    const UniqueHandle folder(::CreateFileW(directory_part(path).c_str(), FILE_READ_ATTRIBUTES,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                            nullptr));
    if (!file_ || !folder || !::GetFileInformationByHandle(file_.get(), &file_info) ||
        !::GetFileInformationByHandle(folder.get(), &folder_info) ||
        file_info.dwVolumeSerialNumber != folder_info.dwVolumeSerialNumber)
        return false;
    // Through the handle itself, which Windows XP offers only in ntdll.
    using SetInformationFile = LONG(NTAPI *)(HANDLE, IO_STATUS_BLOCK *, void *, ULONG, int);
    const auto set_information =
        dll_function<SetInformationFile>(::GetModuleHandleW(L"ntdll.dll"), "NtSetInformationFile");
    if (!set_information) return false;
    struct RenameInformation {
        BOOLEAN replace_if_exists;
        HANDLE root_directory;
        ULONG name_length;
        WCHAR name[1];
    };
    const Text name = L"\\??\\" + path;
    Buffer<unsigned char> information;
    information.resize(offsetof(RenameInformation, name) + name.size() * sizeof(wchar_t));
    auto *rename = reinterpret_cast<RenameInformation *>(information.data());
    rename->replace_if_exists = FALSE;
    rename->root_directory = nullptr;
    rename->name_length = static_cast<ULONG>(name.size() * sizeof(wchar_t));
    std::memcpy(rename->name, name.c_str(), rename->name_length);
    IO_STATUS_BLOCK status = {};
    constexpr int kFileRenameInformation = 10;
    return set_information(file_.get(), &status, information.data(),
                           static_cast<ULONG>(information.size()), kFileRenameInformation) >= 0;
}

} // namespace platform
