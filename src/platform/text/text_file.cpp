#include "text_file.h"
#include "platform/files/files.h"
#include "platform/files/paths.h"
#include "platform/setup_error.h"

namespace platform {

Text io_error_text(DWORD code) {
    switch (code) {
    case 2:
        return L"File not found";
    case 3:
        return L"Invalid filename";
    case 4:
        return L"Too many open files";
    case 5:
        return L"File access denied";
    case 100:
        return L"Read beyond end of file";
    case 101:
        return L"Disk full";
    case 106:
        return L"Invalid numeric input";
    default: {
        wchar_t text[32];
        ::wsprintfW(text, L"I/O error %lu", static_cast<unsigned long>(code));
        return text;
    }
    }
}

namespace {
[[noreturn]] void raise_last_error() {
    const DWORD error = ::GetLastError();
    raise_error(io_error_text(error), error);
}
} // namespace

TextFileWriter::TextFileWriter(const Text &path) {
    // Written with administrator rights, where a user may have put a link:
    // each folder on the way is opened from the root without following
    // one and held, and the file is made in the last of them. What is there
    // already is replaced only if it is a plain file with no other name:
    // through a link, or a second name, the lines would replace whatever
    // that leads to. Judged through the handle that writes; by name too, as
    // Wine's handles follow a Unix link without saying so.
    const Text full = full_path(path);
    const Text folder = directory_part(full), name = full.substr(folder.size());
    if (const DWORD refused = hold_directories(folder, nullptr, false, folders_))
        raise_error(io_error_text(refused == kErrorLinkOnTheWay ? 5 : refused), refused);
    if (name.empty() || is_link(full)) raise_error(io_error_text(5), kErrorLinkOnTheWay);
    bool made = false;
    file_ = create_in_folder(folders_.handles().back(), name, GENERIC_WRITE | DELETE, made);
    if (!file_) raise_last_error();
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(file_.get(), &info)) raise_last_error();
    if (::GetFileType(file_.get()) != FILE_TYPE_DISK || info.nNumberOfLinks > 1 ||
        !opened_as(file_.get(), folders_.handles().back(), name) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))) {
        if (made) delete_open_file(file_.get());
        raise_error(io_error_text(5), kErrorLinkOnTheWay);
    }
    // Emptied only when there is something to take away: on a full disk
    // the system refuses even to cut a new file to its own length.
    if ((info.nFileSizeLow || info.nFileSizeHigh) && !::SetEndOfFile(file_.get()))
        raise_last_error();
}

void TextFileWriter::write_line(const Text &line) {
    const Text text = line + L"\r\n";
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    Buffer<char> bytes;
    bytes.resize(static_cast<std::size_t>(size));
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(),
                          size, nullptr, nullptr);
    DWORD written = 0;
    if (!::WriteFile(file_.get(), bytes.data(), static_cast<DWORD>(size), &written, nullptr)) {
        // A full disk is the runtime's own code 101, whether the system
        // wrote part of the line or refused all of it.
        const DWORD error = ::GetLastError();
        raise_error(io_error_text(
                        error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ? 101 : error),
                    error);
    }
    if (written != static_cast<DWORD>(size)) raise_error(io_error_text(101));
}

void TextFileWriter::close() {
    if (!::CloseHandle(file_.release())) raise_last_error();
}

} // namespace platform
