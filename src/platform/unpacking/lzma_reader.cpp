#include "lzma_reader.h"
#include <Bra.h>
#include <cstring>

namespace platform {

namespace {

// The decoder's dictionary and probabilities, from the process heap.
void *allocate(void *, size_t size) {
    return ::HeapAlloc(::GetProcessHeap(), 0, size);
}
void release(void *, void *address) {
    if (address) ::HeapFree(::GetProcessHeap(), 0, address);
}
ISzAlloc heap_allocator = {allocate, release};

} // namespace

LzmaReader::LzmaReader(const void *stream, DWORD size, const unsigned char (&properties)[5],
                       bool x86)
    : stream_(static_cast<const unsigned char *>(stream)), size_(size), x86_(x86) {
    LzmaDec_Construct(&decoder_);
    ready_ = LzmaDec_Allocate(&decoder_, properties, LZMA_PROPS_SIZE, &heap_allocator) == SZ_OK;
    if (ready_) LzmaDec_Init(&decoder_);
}

LzmaReader::~LzmaReader() {
    LzmaDec_Free(&decoder_, &heap_allocator);
}

DWORD LzmaReader::read(unsigned char *into, DWORD capacity) {
    if (!ready_ || damaged_) return 0;
    DWORD filled = waiting_size_;
    std::memcpy(into, waiting_, waiting_size_);
    waiting_size_ = 0;
    while (filled < capacity && !ended_) {
        SizeT produced = capacity - filled;
        SizeT consumed = size_ - position_;
        ELzmaStatus status;
        const SRes result =
            LzmaDec_DecodeToBuf(&decoder_, into + filled, &produced, stream_ + position_, &consumed,
                                LZMA_FINISH_ANY, &status);
        position_ += consumed;
        filled += static_cast<DWORD>(produced);
        if (result != SZ_OK ||
            (produced == 0 && consumed == 0 && status != LZMA_STATUS_FINISHED_WITH_MARK)) {
            // Damaged, or cut short before its end mark.
            damaged_ = true;
            return 0;
        }
        ended_ = status == LZMA_STATUS_FINISHED_WITH_MARK;
    }
    if (x86_) {
        const SizeT converted = x86_Convert(into, filled, x86_position_, &x86_state_, 0);
        x86_position_ += static_cast<UInt32>(converted);
        if (!ended_) {
            waiting_size_ = filled - static_cast<DWORD>(converted);
            std::memcpy(waiting_, into + converted, waiting_size_);
            filled = static_cast<DWORD>(converted);
        }
    }
    return filled;
}

bool LzmaReader::complete() const {
    return ready_ && ended_ && !damaged_ && position_ == size_ && waiting_size_ == 0;
}

} // namespace platform
