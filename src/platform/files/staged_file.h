#pragma once
// A file written beside its target under another name (the target's and a
// suffix) and put in the target's place only once it is complete: until
// then, and on every failure, the target stays as it was.
#include <windows.h>
#include "platform/owners.h"
#include "platform/text/text.h"

namespace platform {

class StagedFile {
public:
    // Opens the file beside target: "Cannot create file %s" (the target)
    // where the target could not be replaced as write_file would replace
    // it (a link, a file with other names, read-only or in use), or where
    // the new file cannot be made. The new file has the protected access
    // list (protected_file_descriptor), which the target takes with it.
    StagedFile(const Text &target, const wchar_t *staged_suffix);
    // Removes the new file unless it was committed.
    ~StagedFile();
    StagedFile(const StagedFile &) = delete;
    StagedFile &operator=(const StagedFile &) = delete;

    // Appends the bytes: "Stream write error".
    void write(const void *bytes, DWORD size);
    // Puts the new file in the target's place: "Cannot create file %s".
    void commit();

private:
    Text target_;
    Text staged_;
    UniqueHandle file_;
    bool committed_ = false;
};

} // namespace platform
