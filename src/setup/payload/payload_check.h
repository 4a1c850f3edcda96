#pragma once
// The build records a SHA-256 digest of each carried file; a payload whose
// bytes no longer match is not written.
#include <windows.h>
#include "platform/digests/sha256.h"
#include "platform/text/text.h"

// "Resource %s is damaged" when the bytes do not match what the build recorded.
void verify_payload(const platform::Text &name, const void *bytes, DWORD size);
