#pragma once
// Pictures carried as resources: a JPEG decoded with libjpeg into a bitmap
// the window can draw. (Icons: platform/resources.h.)
#include <windows.h>
#include "platform/buffer.h"

namespace ui {

// A 24-bit top-down bitmap.
struct Bitmap {
    int width = 0;
    int height = 0;
    platform::Buffer<unsigned char> pixels; // BGR rows, each padded to 4 bytes
    int stride() const { return (width * 3 + 3) & ~3; }
};

// Decodes JPEG bytes; an empty bitmap when they are not a JPEG libjpeg reads.
Bitmap decode_jpeg(const void *bytes, unsigned long size);

// The bitmap resampled to width x height with a smoothing (bilinear)
// stretch; at its own size it is returned as it is.
Bitmap scale_bitmap(Bitmap source, int width, int height);

// Draws the bitmap unscaled at (left, top), cut to width x height.
void draw_bitmap(HDC dc, const Bitmap &bitmap, int left, int top, int width, int height);

} // namespace ui
