#include "text_file.h"
#include "setup_error.h"

namespace platform {

std::string io_error_text(DWORD code) {
    switch (code) {
    case 2:
        return "File not found";
    case 3:
        return "Invalid filename";
    case 4:
        return "Too many open files";
    case 5:
        return "File access denied";
    case 100:
        return "Read beyond end of file";
    case 101:
        return "Disk full";
    case 106:
        return "Invalid numeric input";
    default:
        return "I/O error " + std::to_string(code);
    }
}

namespace {
[[noreturn]] void raise_last_error() {
    raise_error(io_error_text(::GetLastError()));
}
} // namespace

TextFileWriter::TextFileWriter(const std::string &path)
    : file_(::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr)) {
    if (!file_) raise_last_error();
}

void TextFileWriter::write_line(const std::string &line) {
    const std::string bytes = line + "\r\n";
    DWORD written = 0;
    if (!::WriteFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr)) {
        // A full disk is the runtime's own code 101, whether the system
        // wrote part of the line or refused all of it.
        const DWORD error = ::GetLastError();
        raise_error(io_error_text(
            error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ? 101 : error));
    }
    if (written != bytes.size()) raise_error(io_error_text(101));
}

void TextFileWriter::close() {
    if (!::CloseHandle(file_.release())) raise_last_error();
}

} // namespace platform
