// The unwinder finds the unwind table entry of each frame it passes through
// in the tables that the start-up code registers. The runtime's own search
// sorts every entry into an index on the first exception, for programs that
// throw often and load tables of many modules; it is some 10 KB of code and
// unwind tables. The program throws only to end a step with the standard
// error box, from its one table, so this search reads the table straight
// through on each lookup instead. It reads the pointer encodings that the
// compiler writes (absolute, or relative to the place, 4 bytes); an entry
// encoded otherwise is not found, and an exception through it ends the
// program as one with no handler would. Only the program links this file.
#include <cstdint>

namespace {

// The table the start-up code registers: its entries run up to a zero length.
const unsigned char *registered_table;

constexpr unsigned char pointer_absolute = 0x00;
constexpr unsigned char pointer_relative = 0x10;
constexpr unsigned char encoding_unsigned4 = 0x03;
constexpr unsigned char encoding_signed4 = 0x0b;
constexpr unsigned char pointer_omitted = 0xff;

std::uint32_t read32(const unsigned char *at) {
    return at[0] | at[1] << 8 | at[2] << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

const unsigned char *skip_leb128(const unsigned char *at) {
    while (*at++ & 0x80) {
    }
    return at;
}

// The size in bytes of a value in the encoding, 0 for one this search does
// not read (the personality pointer of a common entry is only skipped).
unsigned encoded_size(unsigned char encoding) {
    const unsigned char format = encoding & 0x0f;
    if (format == pointer_absolute || format == encoding_unsigned4 || format == encoding_signed4)
        return 4;
    return 0;
}

// The encoding of the code addresses in the entries of a common entry ('R'
// in its augmentation), or pointer_omitted when it cannot be read.
unsigned char address_encoding(const unsigned char *common) {
    const unsigned char *augmentation = common + 9; // length, id, version
    const unsigned char *at = augmentation;
    while (*at)
        ++at;
    ++at;
    if (augmentation[0] != 'z') return augmentation[0] ? pointer_omitted : pointer_absolute;
    at = skip_leb128(skip_leb128(at));              // code and data alignment
    at = common[8] == 1 ? at + 1 : skip_leb128(at); // return address column
    at = skip_leb128(at);                           // augmentation data length
    for (const unsigned char *letter = augmentation + 1; *letter; ++letter) {
        if (*letter == 'R') return *at;
        if (*letter == 'L') {
            ++at;
        } else if (*letter == 'P') {
            const unsigned size = encoded_size(*at);
            if (!size) return pointer_omitted;
            at += 1 + size;
        } else {
            return pointer_omitted;
        }
    }
    return pointer_absolute;
}

} // namespace

extern "C" {

// The bases the unwinder reads relative encodings against: none here but
// the function's start.
struct dwarf_eh_bases {
    void *tbase;
    void *dbase;
    void *func;
};

void __register_frame_info(const void *table, void *) {
    registered_table = static_cast<const unsigned char *>(table);
}

void *__deregister_frame_info(const void *) {
    registered_table = nullptr;
    return nullptr;
}

const void *_Unwind_Find_FDE(void *pc, dwarf_eh_bases *bases) {
    const auto address = reinterpret_cast<std::uintptr_t>(pc);
    if (!registered_table) return nullptr;
    for (const unsigned char *entry = registered_table; const std::uint32_t length = read32(entry);
         entry += 4 + length) {
        const std::uint32_t common_offset = read32(entry + 4);
        if (!common_offset) continue; // a common entry, not a function's
        const unsigned char encoding = address_encoding(entry + 4 - common_offset);
        if (!encoded_size(encoding) || (encoding & 0xf0 & ~pointer_relative)) continue;
        const unsigned char *const field = entry + 8;
        std::uintptr_t start = read32(field);
        if (!start) continue; // the entry of a function the linker left out
        if (encoding & pointer_relative) start += reinterpret_cast<std::uintptr_t>(field);
        if (address - start < read32(field + 4)) {
            bases->tbase = nullptr;
            bases->dbase = nullptr;
            bases->func = reinterpret_cast<void *>(start);
            return entry;
        }
    }
    return nullptr;
}
}
