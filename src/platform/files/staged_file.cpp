#include "staged_file.h"
#include "platform/buffer.h"
#include "platform/files/files.h"
#include "platform/security/security.h"
#include "platform/setup_error.h"

namespace platform {

namespace {

// ERROR_INVALID_IMAGE_HASH, which the headers lack: the system's code for a
// file that is not the one its digest names.
constexpr DWORD kInvalidImageHash = 577;

// Refused where a file written in place would not replace the target as
// one: a link or a file with other names in its place (whose contents would
// change elsewhere), or a read-only file. error: the system's code, or 0
// for a refusal of our own.
bool redirected(const Text &target, DWORD &error) {
    error = 0;
    if (leads_elsewhere(target)) return true;
    error = ERROR_ACCESS_DENIED;
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

} // namespace

void recover_replaced(const Text &target, const wchar_t *aside_suffix) {
    const Text aside = target + aside_suffix;
    if (!file_exists(aside)) return;
    if (::GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES)
        ::MoveFileExW(aside.c_str(), target.c_str(), 0);
    else {
        clear_read_only(aside);
        ::DeleteFileW(aside.c_str());
    }
}

StagedFile::StagedFile(const Text &target, Suffixes suffixes, bool refuse_redirected)
    : target_(target), staged_(target + suffixes.staged), aside_(target + suffixes.aside) {
    recover_replaced(target_, suffixes.aside);
    if (::GetFileAttributesW(target_.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    // A file that is not replaced as one is refused at its own step, as
    // writing it would be refused; only one in use stops the install here.
    if (refuse_redirected && redirected(target_, refusal_)) {
        refused_ = true;
        return;
    }
    // Moving and deleting need no more than this; a read-only file allows it.
    old_ = open_held(target_, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES);
    if (old_) return;
    refusal_ = ::GetLastError();
    if (refusal_ == ERROR_SHARING_VIOLATION) cannot_create_file(target_, refusal_);
    refused_ = true;
}

StagedFile::~StagedFile() {
    if (state_ == State::kept) return;
    // Deleted wherever it is, once closed: then the old file may go back.
    if (new_) {
        delete_open_file(new_.get());
        new_.reset();
    }
    if (state_ == State::committed && old_) rename_open_file(old_.get(), target_, false);
}

void StagedFile::open() {
    if (refused_) cannot_create_file(target_, refusal_);
    // Only administrators may write into the install directory: a file of
    // this name is what an earlier install left when it was stopped.
    if (!::DeleteFileW(staged_.c_str()) && ::GetLastError() != ERROR_FILE_NOT_FOUND)
        cannot_create_file(target_, ::GetLastError());
    const LocalMemory descriptor = protected_file_descriptor();
    if (!descriptor) cannot_create_file(target_, ::GetLastError());
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor.get(), FALSE};
    new_.reset(::CreateFileW(staged_.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, &attributes,
                             CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    // Until the commit it goes when closed, also when the run is killed.
    if (!new_ || !delete_open_file(new_.get())) cannot_create_file(target_, ::GetLastError());
}

void StagedFile::write(const void *bytes, DWORD size) {
    DWORD written = 0;
    if (!::WriteFile(new_.get(), bytes, size, &written, nullptr))
        raise_error(L"Stream write error", ::GetLastError());
    if (written != size) raise_error(L"Stream write error");
}

void StagedFile::copy_from(HANDLE source, CopyCheck &check) {
    // Parts large enough that the calls into the system cost little beside
    // the bytes they move (under Wine, 64 MiB are read in 35 ms in parts of
    // 256 KiB, in 6 to 12 ms in parts of 1 MiB).
    constexpr DWORD kPartSize = 1024 * 1024;
    Buffer<unsigned char> part;
    part.resize(kPartSize);
    OVERLAPPED position = {};
    for (DWORD read = 0;; position.Offset += read) {
        if (!::ReadFile(source, part.data(), kPartSize, &read, &position) &&
            ::GetLastError() != ERROR_HANDLE_EOF)
            cannot_create_file(target_, ::GetLastError());
        if (read == 0) break;
        write(part.data(), read);
        check.add(part.data(), read);
    }
    if (!check.accept()) cannot_create_file(target_, kInvalidImageHash);
}

void StagedFile::commit() {
    if (!delete_open_file(new_.get(), false) ||
        (old_ && !rename_open_file(old_.get(), aside_, true)))
        cannot_create_file(target_, ::GetLastError());
    if (!rename_open_file(new_.get(), target_, false)) {
        const DWORD error = ::GetLastError();
        if (old_) rename_open_file(old_.get(), target_, false);
        cannot_create_file(target_, error);
    }
    state_ = State::committed;
}

void StagedFile::keep() {
    if (old_) {
        clear_read_only(old_.get());
        delete_open_file(old_.get());
        old_.reset();
    }
    state_ = State::kept;
}

} // namespace platform
