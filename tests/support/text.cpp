#include "text.h"
#include <windows.h>

namespace testing_support {

std::wstring wide(const std::string &utf8_text) {
    std::wstring text(utf8_text.size(), L'\0');
    text.resize(static_cast<std::size_t>(
        ::MultiByteToWideChar(CP_UTF8, 0, utf8_text.data(), static_cast<int>(utf8_text.size()),
                              text.data(), static_cast<int>(text.size()))));
    return text;
}

std::string utf8(const std::wstring &text) {
    std::string bytes(text.size() * 3, '\0');
    bytes.resize(static_cast<std::size_t>(
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                              static_cast<int>(bytes.size()), nullptr, nullptr)));
    return bytes;
}

std::string utf8(const wchar_t *text) {
    return utf8(std::wstring(text ? text : L""));
}

} // namespace testing_support
