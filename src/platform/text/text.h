#pragma once
// Text as the program handles it: UTF-16 units in a growable buffer, always
// zero-terminated, so that c_str() goes straight to the ...W functions. The
// system's own type: every path, registry name and window text reaches the
// system unconverted, whatever script it is written in.
#include "platform/buffer.h"
#include <cwchar>
#include <initializer_list>

namespace platform {

class Text {
public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    Text() = default;
    Text(const wchar_t *text);
    Text(const wchar_t *text, std::size_t length);
    // Out of line, so that the buffer's code is in the program once.
    Text(const Text &other);
    Text(Text &&other) noexcept;
    Text &operator=(const Text &other);
    Text &operator=(Text &&other) noexcept;
    ~Text();
    // Any other text type that offers c_str(), such as the standard library's
    // strings the tests use.
    template <typename Other, typename = decltype(static_cast<const wchar_t *>(
                                  static_cast<const Other *>(nullptr)->c_str()))>
    Text(const Other &other) : Text(other.c_str()) {}

    std::size_t size() const { return chars_.size(); }
    bool empty() const { return chars_.empty(); }
    const wchar_t *c_str() const { return chars_.empty() ? L"" : chars_.data(); }
    // Room for size() characters and the zero after them, for functions
    // that write text into the caller's buffer; empty text has none.
    wchar_t *data() { return chars_.data(); }
    wchar_t &operator[](std::size_t index) { return chars_[index]; }
    wchar_t operator[](std::size_t index) const { return chars_[index]; }
    wchar_t back() const { return chars_.back(); }
    void pop_back();
    void clear();
    // New characters are zeros.
    void resize(std::size_t size);

    Text &operator+=(const Text &more);
    Text &operator+=(const wchar_t *more);
    Text &operator+=(wchar_t more);

    // Index of the first occurrence at or after from; npos when none.
    std::size_t find(const wchar_t *part, std::size_t from = 0) const;
    std::size_t find(wchar_t c, std::size_t from = 0) const;
    // Index of the last character that is one of these; npos when none.
    std::size_t find_last_of(const wchar_t *characters) const;
    // At most length characters from start.
    Text substr(std::size_t start, std::size_t length = npos) const;

    friend bool operator==(const Text &a, const Text &b);
    friend bool operator!=(const Text &a, const Text &b) { return !(a == b); }
    friend Text operator+(const Text &a, const Text &b);
    friend Text operator+(const Text &a, const wchar_t *b);
    friend Text operator+(const Text &a, wchar_t b);
    friend Text operator+(const wchar_t *a, const Text &b);

private:
    Buffer<wchar_t> chars_;
};

// The parts one after the other: one text built, where a chain of + would
// build one for each part.
Text joined(std::initializer_list<const wchar_t *> parts);

} // namespace platform
