#pragma once
// The file an LZMA stream holds, read part by part: only the decoder's
// dictionary and the part being read are ever in memory.
#include <windows.h>
#include <LzmaDec.h>

namespace platform {

class LzmaReader {
public:
    // stream: a raw LZMA stream that ends in an end mark; properties: the
    // first five bytes of an .lzma header (lc/lp/pb, dictionary size); x86:
    // the stream holds the file after the x86 branch converter. The stream
    // must stay in place while it is read. Properties the decoder refuses,
    // or memory it cannot have, leave nothing to read and the reader not
    // complete.
    LzmaReader(const void *stream, DWORD size, const unsigned char (&properties)[5], bool x86);
    ~LzmaReader();
    LzmaReader(const LzmaReader &) = delete;
    LzmaReader &operator=(const LzmaReader &) = delete;

    // Fills into with up to capacity (at least 5) bytes of the file: 0 once
    // the file has ended, or where the stream is damaged.
    DWORD read(unsigned char *into, DWORD capacity);
    // Whether the whole stream was read, up to its end mark and no further.
    bool complete() const;

private:
    CLzmaDec decoder_;
    const unsigned char *stream_;
    SizeT size_;
    SizeT position_ = 0;
    bool ready_ = false;
    bool ended_ = false;
    bool damaged_ = false;
    // The branch converter looks 4 bytes ahead: the last ones of a part wait
    // for the next, unless the file ends with them.
    bool x86_;
    UInt32 x86_state_ = 0;
    UInt32 x86_position_ = 0;
    unsigned char waiting_[4];
    DWORD waiting_size_ = 0;
};

} // namespace platform
