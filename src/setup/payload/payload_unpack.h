#pragma once
// A compressed build carries each file as an LZMA stream: the file is
// unpacked beside its target and takes the target's place only when it is
// whole and its digest is the one the build recorded.
#include <windows.h>
#include "platform/files/staged_file.h"

// Writes the file the stream holds (see platform::LzmaReader for properties
// and x86) into staged, open and empty, whose contents must have the SHA-256
// file_sha256: a stream that is damaged, or gives other bytes, is "Cannot
// create file %s" (the target), and the target stays as it was.
void unpack_payload(platform::StagedFile &staged, const void *stream, DWORD size,
                    const unsigned char (&properties)[5], bool x86,
                    const unsigned char (&file_sha256)[32]);
