#pragma once
// Shell services: special folders, shell-link objects, text conversion.
#include "buffer.h"
#include "owners.h"
#include "text.h"
#include <shlobj.h>
#include <optional>

namespace platform {

// The folder's path through its item-identifier list, converted in a
// 261-character buffer (the shell's own limit for this call); results are
// not checked, so a failed lookup gives empty text.
Text special_folder_path(int csidl);

// A fresh ShellLink object with the two interfaces the program uses; the
// three references are released together.
struct ShellLink {
    ComPtr<IUnknown> object;
    ComPtr<IShellLinkA> link;
    ComPtr<IPersistFile> file;
};
// Raises the system's text for a failure to create the object ("OLE error
// %.8x" when there is none) or "Interface not supported".
ShellLink create_shell_link();

// ANSI text to UTF-16 with the system's ANSI code page; the terminating
// zero is the last element.
Buffer<wchar_t> ansi_to_wide(const Text &text);

Text ole_error_text(HRESULT code);

// The system's folder browser, rooted at the desktop, for file-system
// folders only. Empty when the shell allocator cannot be had or the user
// cancels.
std::optional<Text> browse_for_folder(HWND owner, const char *title);

} // namespace platform
