#pragma once
// Shell services: special folders, shell-link objects, text conversion.
#include "owners.h"
#include <shlobj.h>
#include <string>
#include <vector>

namespace platform {

// The folder's path through its item-identifier list, converted in a
// 261-character buffer; results are not checked, so a failed lookup gives
// empty text.
std::string special_folder_path(int csidl);

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

// ANSI text to UTF-16 with the system's ANSI code page, zero-terminated.
// Not std::wstring: its members come as one precompiled block of some 35 KB.
std::vector<wchar_t> ansi_to_wide(const std::string &text);

std::string ole_error_text(HRESULT code);

} // namespace platform

#include <optional>
namespace platform {
// The system's folder browser, rooted at the desktop, for file-system
// folders only. Empty when the shell allocator cannot be had or the user
// cancels.
std::optional<std::string> browse_for_folder(HWND owner, const char *title);
} // namespace platform
