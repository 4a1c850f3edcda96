#include "text.h"

namespace platform {

Text::Text(const wchar_t *text) : chars_(text, std::wcslen(text)) {}

Text::Text(const wchar_t *text, std::size_t length) : chars_(text, length) {}

Text::Text(const Text &other) = default;

Text::Text(Text &&other) noexcept = default;

Text &Text::operator=(const Text &other) = default;

Text &Text::operator=(Text &&other) noexcept = default;

Text::~Text() = default;

void Text::pop_back() {
    chars_.pop_back();
}

void Text::clear() {
    chars_.clear();
}

void Text::resize(std::size_t size) {
    chars_.resize(size);
}

Text &Text::operator+=(const Text &more) {
    chars_.append(more.chars_.data(), more.size());
    return *this;
}

Text &Text::operator+=(const wchar_t *more) {
    chars_.append(more, std::wcslen(more));
    return *this;
}

Text &Text::operator+=(wchar_t more) {
    chars_.push_back(more);
    return *this;
}

bool operator==(const Text &a, const Text &b) {
    return a.size() == b.size() && std::wmemcmp(a.c_str(), b.c_str(), a.size()) == 0;
}

Text joined(std::initializer_list<const wchar_t *> parts) {
    Text text;
    for (const wchar_t *part : parts)
        text += part;
    return text;
}

Text operator+(const Text &a, const Text &b) {
    Text sum = a;
    return sum += b;
}

Text operator+(const Text &a, const wchar_t *b) {
    Text sum = a;
    return sum += b;
}

Text operator+(const Text &a, wchar_t b) {
    Text sum = a;
    return sum += b;
}

Text operator+(const wchar_t *a, const Text &b) {
    Text sum = a;
    return sum += b;
}

std::size_t Text::find(const wchar_t *part, std::size_t from) const {
    const std::size_t length = std::wcslen(part);
    for (std::size_t at = from; at + length <= size(); ++at)
        if (std::wmemcmp(c_str() + at, part, length) == 0) return at;
    return npos;
}

std::size_t Text::find(wchar_t c, std::size_t from) const {
    for (std::size_t at = from; at < size(); ++at)
        if (chars_[at] == c) return at;
    return npos;
}

std::size_t Text::find_last_of(const wchar_t *characters) const {
    for (std::size_t at = size(); at-- > 0;)
        if (chars_[at] && std::wcschr(characters, chars_[at])) return at;
    return npos;
}

Text Text::substr(std::size_t start, std::size_t length) const {
    if (start > size()) start = size();
    if (length > size() - start) length = size() - start;
    return Text(c_str() + start, length);
}

} // namespace platform
