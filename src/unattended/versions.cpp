#include "versions.h"

namespace {

// The number at the start of a part, and the start of the next part.
unsigned long next_number(const wchar_t *&p) {
    unsigned long number = 0;
    for (; *p >= L'0' && *p <= L'9'; ++p)
        if (number < 100000000) number = number * 10 + static_cast<unsigned long>(*p - L'0');
    while (*p && *p++ != L'.') {
    }
    return number;
}

} // namespace

int compare_versions(const wchar_t *a, const wchar_t *b) {
    while (*a || *b) {
        const unsigned long x = next_number(a), y = next_number(b);
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}
