#include "shell.h"
#include "setup_error.h"
#include "guids.h"

namespace platform {

Text special_folder_path(int csidl) {
    wchar_t buffer[MAX_PATH + 1] = {};
    LPITEMIDLIST list = nullptr;
    ::SHGetSpecialFolderLocation(nullptr, csidl, &list);
    const TaskMemory owned(list);
    if (list) ::SHGetPathFromIDListW(list, buffer);
    return buffer;
}

Text known_folder_path(int csidl) {
    wchar_t buffer[MAX_PATH + 1] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer))) return {};
    return buffer;
}

Text ole_error_text(HRESULT code) {
    wchar_t *text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    const LocalMemory owned(text);
    Text message = length ? Text(text, length) : Text();
    while (!message.empty() && message.back() <= ' ')
        message.pop_back();
    if (message.empty()) {
        wchar_t fallback[32];
        // Not snprintf: in C++ that is MinGW's own, with its float formatting (20 KB).
        ::wsprintfW(fallback, L"OLE error %08lx", static_cast<unsigned long>(code));
        message = fallback;
    }
    return message;
}

ShellLink create_shell_link() {
    ShellLink result;
    const HRESULT created =
        ::CoCreateInstance(kShellLinkClass, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                           kUnknownInterface, result.object.out_void());
    if (FAILED(created)) raise_error(ole_error_text(created));
    if (FAILED(result.object->QueryInterface(kShellLinkInterface, result.link.out_void())) ||
        FAILED(result.object->QueryInterface(kPersistFileInterface, result.file.out_void())))
        raise_error(L"Interface not supported");
    return result;
}

namespace {
// A block from the shell's allocator, freed by it.
class ShellBlock {
public:
    ShellBlock(IMalloc *allocator, void *block) : allocator_(allocator), block_(block) {}
    ShellBlock(const ShellBlock &) = delete;
    ShellBlock &operator=(const ShellBlock &) = delete;
    ~ShellBlock() {
        if (block_) allocator_->Free(block_);
    }
    void *get() const { return block_; }

private:
    IMalloc *allocator_;
    void *block_;
};
} // namespace

std::optional<Text> browse_for_folder(HWND owner, const wchar_t *title) {
    ComPtr<IMalloc> allocator;
    if (FAILED(::SHGetMalloc(allocator.out()))) return std::nullopt;
    const ShellBlock buffer(allocator.get(), allocator->Alloc(MAX_PATH * sizeof(wchar_t)));
    if (!buffer.get()) return std::nullopt;
    auto *const text = static_cast<wchar_t *>(buffer.get());
    text[0] = '\0';

    BROWSEINFOW info = {};
    info.hwndOwner = owner;
    info.pidlRoot = nullptr; // the desktop
    info.pszDisplayName = text;
    info.lpszTitle = title;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    const ShellBlock chosen(allocator.get(), ::SHBrowseForFolderW(&info));
    if (!chosen.get()) return std::nullopt;
    ::SHGetPathFromIDListW(static_cast<LPCITEMIDLIST>(chosen.get()), text);
    return Text(text);
}

} // namespace platform
