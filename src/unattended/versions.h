#pragma once
// Versions as the list of installed programs records them ("1.21"): numbers
// apart by dots, compared number by number, so that "1.5" < "1.21" <
// "1.100"; a missing number counts as 0, and a part stops at its first
// character that is no digit.

// Below zero, zero or above zero as version a is older than, the same as or
// newer than version b.
int compare_versions(const wchar_t *a, const wchar_t *b);
