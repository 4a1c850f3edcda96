#pragma once
// A compressed build carries each file as an LZMA stream: the file is
// unpacked beside its target and takes the target's place only when it is
// whole and its digest is the one the build recorded.
#include <windows.h>
#include "platform/text/text.h"

// Writes the file the stream holds (see platform::LzmaReader for properties
// and x86) as target, staged under its name and staged_suffix, whose contents must have the SHA-256
// file_sha256: a stream that is damaged, or gives other bytes, leaves the target as it was and is
// "Cannot create file %s" (the target).
void unpack_payload(const platform::Text &target, const wchar_t *staged_suffix, const void *stream,
                    DWORD size, const unsigned char (&properties)[5], bool x86,
                    const unsigned char (&file_sha256)[32]);
