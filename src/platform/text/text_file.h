#pragma once
// A text file written line by line in UTF-8 without a byte-order mark, each
// line ended by CR LF; text that is plain ASCII is written as it is. Every
// failure raises at once with the runtime's text for its code ("File access
// denied").
#include "platform/files/files.h"
#include "platform/owners.h"
#include "text.h"

namespace platform {

Text io_error_text(DWORD code);

class TextFileWriter {
public:
    // Creates or replaces the file, holding each folder on its way (see
    // hold_directories) while the writer lives; an existing one that is a
    // link, has a second name or is no plain file, or a link on the way, is
    // refused ("File access denied"), and a file made here for nothing is
    // deleted again.
    explicit TextFileWriter(const Text &path);
    void write_line(const Text &line);
    void close();

private:
    HeldFolders folders_;
    UniqueHandle file_;
};

} // namespace platform
