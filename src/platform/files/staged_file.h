#pragma once
// One file of an installation replaced as a step of a larger change that
// completes or is given back whole. The file in the target's place is held
// from the start, so that nobody can block its replacement; the new file is
// written beside it under a staged name, held with no sharing and marked to
// go when closed, so that a killed run leaves nothing staged; at the commit
// the old file moves aside and the new one into its place, both through
// their handles; and only once the whole change is kept does the old file
// go. Until then every step is undone when the object goes.
#include <windows.h>
#include "platform/owners.h"
#include "platform/text/text.h"

namespace platform {

class CopyCheck;

class StagedFile {
public:
    struct Suffixes {
        const wchar_t *staged; // the new file, until the commit
        const wchar_t *aside;  // the old file, from the commit until it is kept
    };
    // Finishes what a run killed during its commit left (see
    // recover_replaced), then holds the file in target's place, if any:
    // "Cannot create file %s" (the target) where it is in use. Where it
    // cannot be held otherwise (a folder in its place), or, with
    // refuse_redirected, where it is a link, a file with other names or
    // read-only, which a file written in place would not replace as one,
    // that is open()'s error.
    StagedFile(const Text &target, Suffixes suffixes, bool refuse_redirected);
    // Gives back what was not kept (see the class).
    ~StagedFile();
    StagedFile(const StagedFile &) = delete;
    StagedFile &operator=(const StagedFile &) = delete;

    // Makes the new file, empty, with the protected access list
    // (protected_file_descriptor): "Cannot create file %s" (the target),
    // also for a target refused at the start.
    void open();
    // Appends the bytes: "Stream write error".
    void write(const void *bytes, DWORD size);
    // Appends the whole of the file open at source, read from its start
    // once, each part also given to check: unless check accepts them all,
    // "Cannot create file %s" (the target) with ERROR_INVALID_IMAGE_HASH.
    void copy_from(HANDLE source, CopyCheck &check);
    // The old file aside and the new one in its place: "Cannot create file
    // %s" (the target), with nothing moved.
    void commit();
    // Deletes the old file, with the change it was part of kept.
    void keep();

    const Text &target() const { return target_; }

private:
    Text target_, staged_, aside_;
    UniqueHandle old_, new_;
    bool refused_ = false;
    DWORD refusal_ = 0; // the system's code, or 0 for a refusal of our own
    enum class State { staged, committed, kept } state_ = State::staged;
};

// What a run killed during its commit left beside target: an old file moved
// aside whose new file never took its place goes back; one that was
// replaced goes.
void recover_replaced(const Text &target, const wchar_t *aside_suffix);

} // namespace platform
