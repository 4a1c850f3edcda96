#pragma once
// The running program's own file, held open from start-up: shared for
// reading only, so that nobody can rename it away or replace it while the
// program runs, and checked to be the very image the system loaded. Its
// bytes, not whatever lies at its path later, become the uninstaller copy.
#include "owners.h"
#include "text.h"

namespace platform {

class ImageFile {
public:
    // The running program's file, opened on first use; the program asks
    // for it first thing at start-up.
    static ImageFile &running();
    // Any file opened the same way, held as long as the object lives.
    explicit ImageFile(const Text &path);

    // Opened, mapped, and equal to the running program's loaded image:
    // headers and every section it cannot change, with the system's
    // relocations.
    bool verified() const { return verified_; }
    const void *bytes() const { return view_; }
    DWORD size() const { return size_; }
    HANDLE handle() const { return file_.get(); }

    // Renames the file through the handle, on its own volume only; false
    // when that cannot be done.
    bool move_to(const Text &path) const;

    ImageFile(const ImageFile &) = delete;
    ImageFile &operator=(const ImageFile &) = delete;
    ~ImageFile();

private:
    UniqueHandle file_;
    UniqueHandle mapping_;
    const void *view_ = nullptr;
    DWORD size_ = 0;
    bool verified_ = false;
};

// Whether bytes, a program file of size bytes, hold the image loaded at
// image: its headers (apart from the load address), its resources and every
// section it does not write, with its relocations applied.
bool file_holds_image(const unsigned char *bytes, DWORD size, const unsigned char *image);

} // namespace platform
