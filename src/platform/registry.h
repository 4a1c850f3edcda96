#pragma once
// Registry keys as the program uses them: every create or open asks for full
// access, text values are written as REG_SZ with their terminating zero, and
// a missing value reads as empty text.
#include "owners.h"
#include "platform/text/text.h"

namespace platform {

class RegistryKey {
public:
    // Creates the key if it is missing; "Failed to create key %s" when it cannot.
    static RegistryKey create(HKEY root, const wchar_t *path);
    // Opens an existing key; the result is not open when that fails.
    static RegistryKey open(HKEY root, const wchar_t *path);

    bool is_open() const { return key_.valid(); }
    HKEY get() const { return key_.get(); }

    // Text of a REG_SZ or REG_EXPAND_SZ value, as stored and up to its first
    // NUL; empty when the value or the key is missing. Any other type is the
    // error "Invalid data type for '%s'".
    Text read_text(const wchar_t *name) const;
    // "Failed to set data for '%s'" when the value cannot be set.
    void write_text(const wchar_t *name, const Text &text) const;
    // A REG_DWORD value; fails as write_text does.
    void write_number(const wchar_t *name, DWORD number) const;
    // Outcome not used by any caller.
    void delete_value(const wchar_t *name) const;

private:
    explicit RegistryKey(HKEY key) : key_(key) {}
    void set_value(const wchar_t *name, DWORD type, const void *data, DWORD size) const;
    UniqueKey key_;
};

// Deletes root\path with all its sub-keys, deepest and last first. Outcomes
// are not reported.
void delete_key_tree(HKEY root, const Text &path);

} // namespace platform
