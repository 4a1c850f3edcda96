#include "shell.h"
#include "setup_error.h"
#include "guids.h"

namespace platform {

Text special_folder_path(int csidl) {
    char buffer[MAX_PATH + 1] = {};
    LPITEMIDLIST list = nullptr;
    ::SHGetSpecialFolderLocation(nullptr, csidl, &list);
    const TaskMemory owned(list);
    if (list) ::SHGetPathFromIDListA(list, buffer);
    return buffer;
}

Text ole_error_text(HRESULT code) {
    char *text = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<char *>(&text), 0, nullptr);
    const LocalMemory owned(text);
    Text message = length ? Text(text, length) : Text();
    while (!message.empty() && static_cast<unsigned char>(message.back()) <= ' ')
        message.pop_back();
    if (message.empty()) {
        char fallback[32];
        // Not snprintf: in C++ that is MinGW's own, with its float formatting (20 KB).
        ::wsprintfA(fallback, "OLE error %08lx", static_cast<unsigned long>(code));
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
        raise_error("Interface not supported");
    return result;
}

Buffer<wchar_t> ansi_to_wide(const Text &text) {
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    Buffer<wchar_t> wide;
    wide.resize(static_cast<std::size_t>(length > 0 ? length : 1));
    ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), length);
    return wide;
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

std::optional<Text> browse_for_folder(HWND owner, const char *title) {
    ComPtr<IMalloc> allocator;
    if (FAILED(::SHGetMalloc(allocator.out()))) return std::nullopt;
    const ShellBlock buffer(allocator.get(), allocator->Alloc(MAX_PATH));
    if (!buffer.get()) return std::nullopt;
    auto *const text = static_cast<char *>(buffer.get());
    text[0] = '\0';

    BROWSEINFOA info = {};
    info.hwndOwner = owner;
    info.pidlRoot = nullptr; // the desktop
    info.pszDisplayName = text;
    info.lpszTitle = title;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    const ShellBlock chosen(allocator.get(), ::SHBrowseForFolderA(&info));
    if (!chosen.get()) return std::nullopt;
    ::SHGetPathFromIDListA(static_cast<LPCITEMIDLIST>(chosen.get()), text);
    return Text(text);
}

} // namespace platform
