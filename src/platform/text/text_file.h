#pragma once
// A text file written line by line in UTF-8 without a byte-order mark, each
// line ended by CR LF; text that is plain ASCII is written as it is. Every
// failure raises at once with the runtime's text for its code ("File access
// denied").
#include "platform/owners.h"
#include "text.h"

namespace platform {

Text io_error_text(DWORD code);

class TextFileWriter {
public:
    // Creates or replaces the file; an existing one that is a link, has a
    // second name or is no plain file is refused ("File access denied").
    explicit TextFileWriter(const Text &path);
    void write_line(const Text &line);
    void close();

private:
    UniqueHandle file_;
};

} // namespace platform
