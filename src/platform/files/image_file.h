#pragma once
// The running program's own file, held open from start-up and shared for
// reading only, so that nobody can change it while the program runs; what
// lies at its path later never becomes the uninstaller copy. The build
// records in the program a SHA-256 digest of the finished file: a copy
// written from the file is known for the program that runs by that digest.
#include "platform/owners.h"
#include "platform/digests/sha256.h"
#include "platform/text/text.h"

namespace platform {

class ImageFile {
public:
    // The running program's file, opened on first use; the program asks
    // for it first thing at start-up.
    static ImageFile &running();
    // Any file opened the same way, held as long as the object lives: with
    // the right to move it where the file system grants that (not on a CD,
    // nor while another program holds it without delete sharing), for
    // reading only otherwise.
    explicit ImageFile(const Text &path);

    HANDLE handle() const { return file_.get(); }
    bool opened() const { return file_.valid(); }
    // Held with the right to move it.
    bool movable() const { return movable_; }

    // Renames the file through the handle, on its own volume only; false
    // when that cannot be done.
    bool move_to(const Text &path) const;

    ImageFile(const ImageFile &) = delete;
    ImageFile &operator=(const ImageFile &) = delete;

private:
    UniqueHandle file_;
    bool movable_ = false;
};

// The digest the build recorded of the program file, read from the running
// image (not from any file): every byte of the file but its own 32 bytes
// (the slot), the header checksum, the certificate-table directory entry
// and the certificate table itself, which Authenticode signing changes.
const Sha256 &recorded_program_digest();
// The same digest of the program file open at file (read from its start),
// whose slot lies at the image offset slot_rva; false for a file that is no
// program of that shape.
bool program_file_digest(HANDLE file, DWORD slot_rva, Sha256 &digest);
// Whether the file open at file is the running program's, by that digest.
bool is_running_program(HANDLE file);

} // namespace platform
