#include "image_file.h"
#include "platform/buffer.h"
#include "platform/dll_function.h"
#include "paths.h"
#include <winternl.h>
#include <cstddef>
#include <cstring>
#include <algorithm>
#include <iterator>

namespace platform {

namespace {

// Patched by the build once the program is linked (cmake/digest.sh finds it
// by these letters). Read through volatile: the compiler must not take the
// letters it sees here for the digest the build writes.
const volatile unsigned char kProgramDigest[32] = "@@instal-program-digest-slot@@@";

DWORD read32(const unsigned char *at) {
    DWORD value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

} // namespace

const Sha256 &recorded_program_digest() {
    static const Sha256 digest = [] {
        Sha256 copy;
        for (std::size_t i = 0; i < sizeof copy.bytes; ++i)
            copy.bytes[i] = kProgramDigest[i];
        return copy;
    }();
    return digest;
}

bool ProgramDigest::read_headers() {
    const DWORD nt = read32(headers_ + offsetof(IMAGE_DOS_HEADER, e_lfanew));
    if (nt > sizeof headers_ - sizeof(IMAGE_NT_HEADERS32)) return false;
    const auto &nt_headers = *reinterpret_cast<const IMAGE_NT_HEADERS32 *>(headers_ + nt);
    const auto *section = IMAGE_FIRST_SECTION(&nt_headers);
    const WORD sections = nt_headers.FileHeader.NumberOfSections;
    if (nt_headers.OptionalHeader.NumberOfRvaAndSizes <= IMAGE_DIRECTORY_ENTRY_SECURITY ||
        reinterpret_cast<const unsigned char *>(section + sections) > headers_ + sizeof headers_)
        return false;

    // Where the slot lies in the file, by the file's own section table.
    DWORD slot = 0;
    for (WORD i = 0; i < sections; ++i, ++section)
        if (slot_rva_ >= section->VirtualAddress &&
            slot_rva_ - section->VirtualAddress + 32 <= section->SizeOfRawData)
            slot = section->PointerToRawData + (slot_rva_ - section->VirtualAddress);
    const DWORD checksum = nt + offsetof(IMAGE_NT_HEADERS32, OptionalHeader.CheckSum);
    const DWORD certificates = nt + offsetof(IMAGE_NT_HEADERS32, OptionalHeader.DataDirectory) +
                               IMAGE_DIRECTORY_ENTRY_SECURITY * sizeof(IMAGE_DATA_DIRECTORY);
    // Signing appends its certificate table; the bytes before it count.
    // Without one, every byte to the file's end counts.
    const IMAGE_DATA_DIRECTORY &table =
        nt_headers.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_SECURITY];
    const DWORD end = table.Size ? table.VirtualAddress : MAXDWORD;
    if (slot < certificates + sizeof table || end < slot + 32) return false;

    // Everything but the checksum, the table's entry and the slot.
    const DWORD pieces[] = {0,    checksum,  checksum + 4, certificates, certificates + 8,
                            slot, slot + 32, end};
    std::memcpy(pieces_, pieces, sizeof pieces_);
    return true;
}

// The counted parts of bytes that lie at offset in the file.
void ProgramDigest::hash_counted(DWORD offset, const unsigned char *bytes, DWORD size) {
    for (std::size_t i = 0; i < std::size(pieces_); i += 2) {
        const DWORD begin = std::max(pieces_[i], offset);
        const DWORD end = static_cast<DWORD>(
            std::min<ULONGLONG>(pieces_[i + 1], static_cast<ULONGLONG>(offset) + size));
        if (begin < end) hash_.add(bytes + (begin - offset), end - begin);
    }
}

void ProgramDigest::add(const void *bytes, DWORD size) {
    const auto *next = static_cast<const unsigned char *>(bytes);
    if (!shaped_ || seen_ + static_cast<ULONGLONG>(size) > MAXDWORD) {
        shaped_ = false;
        return;
    }
    if (seen_ < sizeof headers_) {
        const DWORD taken = std::min<DWORD>(size, sizeof headers_ - seen_);
        std::memcpy(headers_ + seen_, next, taken);
        seen_ += taken;
        next += taken;
        size -= taken;
        if (seen_ < sizeof headers_) return;
        shaped_ = read_headers();
        if (!shaped_) return;
        hash_counted(0, headers_, sizeof headers_);
    }
    hash_counted(seen_, next, size);
    seen_ += size;
}

bool ProgramDigest::finish(Sha256 &digest) {
    // A file shorter than its headers, or that ends before its slot or its table.
    if (!shaped_ || seen_ < sizeof headers_ || pieces_[6] > seen_ ||
        (pieces_[7] != MAXDWORD && pieces_[7] > seen_))
        return false;
    digest = hash_.finish();
    return true;
}

bool program_file_digest(HANDLE file, DWORD slot_rva, Sha256 &digest) {
    ProgramDigest program(slot_rva);
    unsigned char piece[16 * 1024];
    OVERLAPPED position = {};
    for (DWORD read = 0;; position.Offset += read) {
        if (!::ReadFile(file, piece, sizeof piece, &read, &position) &&
            ::GetLastError() != ERROR_HANDLE_EOF)
            return false;
        if (read == 0) break;
        program.add(piece, read);
    }
    return program.finish(digest);
}

DWORD running_program_slot() {
    const auto *image = reinterpret_cast<const unsigned char *>(::GetModuleHandleW(nullptr));
    const auto *slot = const_cast<const unsigned char *>(kProgramDigest);
    return static_cast<DWORD>(slot - image);
}

namespace {
bool is_recorded(const Sha256 &digest) {
    return std::memcmp(digest.bytes, recorded_program_digest().bytes, sizeof digest.bytes) == 0;
}
} // namespace

bool is_running_program(HANDLE file) {
    Sha256 digest;
    return program_file_digest(file, running_program_slot(), digest) && is_recorded(digest);
}

bool RunningProgramCopy::accept() {
    Sha256 digest;
    return digest_.finish(digest) && is_recorded(digest);
}

ImageFile &ImageFile::running() {
    static ImageFile file(module_path());
    return file;
}

ImageFile::ImageFile(const Text &path)
    : file_(::CreateFileW(path.c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ, nullptr,
                          OPEN_EXISTING, 0, nullptr)),
      movable_(file_.valid()) {
    // A CD, a read-only share, or another program that holds the file
    // without delete sharing refuses the right to move it: held for
    // reading, the file can still be copied, and it stays where it is.
    if (!movable_)
        file_.reset(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
}

bool ImageFile::move_to(const Text &path) const {
    BY_HANDLE_FILE_INFORMATION file_info, folder_info;
    const UniqueHandle folder(::CreateFileW(directory_part(path).c_str(), FILE_READ_ATTRIBUTES,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                            nullptr));
    if (!movable_ || !folder || !::GetFileInformationByHandle(file_.get(), &file_info) ||
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
