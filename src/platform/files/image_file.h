#pragma once
// The running program's own file, held open from start-up and shared for
// reading only, so that nobody can change it while the program runs; what
// lies at its path later never becomes the uninstaller copy. The build
// records in the program a SHA-256 digest of the finished file: a copy
// written from the file is known for the program that runs by that digest.
#include "platform/owners.h"
#include "files.h"
#include "platform/digests/large_sha256.h"
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
// The same digest of a program file whose slot lies at the image offset
// slot_rva, taken from its bytes as they pass from the first on, in parts
// of any size: a copy of the file is checked by the bytes it writes, without
// reading them back. The first 4,096 bytes (the headers, which say which
// bytes count) are kept until they are all there.
class ProgramDigest {
public:
    explicit ProgramDigest(DWORD slot_rva) : slot_rva_(slot_rva) {}
    void add(const void *bytes, DWORD size);
    // False for a file that is no program of that shape.
    bool finish(Sha256 &digest);

private:
    bool read_headers(); // the counted pieces from the headers
    void hash_counted(DWORD offset, const unsigned char *bytes, DWORD size);

    DWORD slot_rva_;
    unsigned char headers_[4096] = {};
    DWORD seen_ = 0;       // bytes given so far
    bool shaped_ = true;   // the headers are a program's of that shape
    DWORD pieces_[8] = {}; // begin and end of each counted piece
    LargeSha256 hash_;
};
// The same digest of the program file open at file (read from its start);
// false for a file that is no program of that shape.
bool program_file_digest(HANDLE file, DWORD slot_rva, Sha256 &digest);
// The image offset of the running program's digest slot.
DWORD running_program_slot();
// Whether the file open at file is the running program's, by that digest.
bool is_running_program(HANDLE file);
// A copy of the running program, known by that digest of the bytes written.
class RunningProgramCopy final : public CopyCheck {
public:
    void add(const void *bytes, DWORD size) override { digest_.add(bytes, size); }
    bool accept() override;

private:
    ProgramDigest digest_{running_program_slot()};
};

} // namespace platform
