#pragma once
// Shell services: special folders, shell-link objects, the folder browser.
#include "buffer.h"
#include "owners.h"
#include "platform/text/text.h"
#include <shlobj.h>
#include <optional>

namespace platform {

// The folder's path through its item-identifier list, in a 261-character
// buffer (the shell's own limit for this call); results are not checked, so
// a failed lookup gives empty text.
Text special_folder_path(int csidl);
// The folder as SHGetFolderPath gives it to this program (for a 32-bit
// program on 64-bit Windows, the 32-bit Program Files); empty when the
// system has none.
Text known_folder_path(int csidl);

// A fresh ShellLink object with the two interfaces the program uses; the
// three references are released together.
struct ShellLink {
    ComPtr<IUnknown> object;
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
};
// Raises the system's text for a failure to create the object ("OLE error
// %.8x" when there is none) or "Interface not supported".
ShellLink create_shell_link();

Text ole_error_text(HRESULT code);

// The system's folder browser, rooted at the desktop, for file-system
// folders only. Empty when the shell allocator cannot be had or the user
// cancels.
std::optional<Text> browse_for_folder(HWND owner, const wchar_t *title);

} // namespace platform
