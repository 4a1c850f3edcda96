#include "staged_file.h"
#include "platform/files/files.h"
#include "platform/security/security.h"
#include "platform/setup_error.h"

namespace platform {

namespace {

// Whether an existing target could be replaced: no link and no file with
// other names in its place (whose contents would be changed elsewhere), not
// read-only, and not held open by anyone else. A missing one can. error:
// the system's error code, as opening the target to write would give, or 0
// for a refusal of our own.
bool replaceable(const Text &target, DWORD &error) {
    error = 0;
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    if (leads_elsewhere(target)) return false;
    error = ERROR_ACCESS_DENIED;
    if (attributes & FILE_ATTRIBUTE_READONLY) return false;
    const UniqueHandle probe = open_unshared(target);
    error = ::GetLastError();
    return probe.valid();
}

} // namespace

StagedFile::StagedFile(const Text &target, const wchar_t *staged_suffix)
    : target_(target), staged_(target + staged_suffix) {
    DWORD error;
    if (!replaceable(target_, error)) cannot_create_file(target_, error);
    // Only administrators may write into the install directory: a file of
    // this name is what an earlier install left when it was stopped.
    ::DeleteFileW(staged_.c_str());
    const LocalMemory descriptor = protected_file_descriptor();
    if (!descriptor) cannot_create_file(target_, ::GetLastError());
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor.get(), FALSE};
    // Nothing is left to remove when this fails: the destructor does not run.
    file_.reset(::CreateFileW(staged_.c_str(), GENERIC_WRITE, 0, &attributes, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_) cannot_create_file(target_, ::GetLastError());
}

StagedFile::~StagedFile() {
    if (committed_) return;
    file_.reset();
    ::DeleteFileW(staged_.c_str());
}

void StagedFile::write(const void *bytes, DWORD size) {
    DWORD written = 0;
    if (!::WriteFile(file_.get(), bytes, size, &written, nullptr))
        raise_error(L"Stream write error", ::GetLastError());
    if (written != size) raise_error(L"Stream write error");
}

void StagedFile::commit() {
    // The name is free only once the file is closed: it was opened unshared.
    file_.reset();
    if (!::MoveFileExW(staged_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING))
        cannot_create_file(target_, ::GetLastError());
    committed_ = true;
}

} // namespace platform
