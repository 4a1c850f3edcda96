#include "pictures.h"
#include <algorithm>
#include <csetjmp>
#include <cstdio>
extern "C" {
#include <jpeglib.h>
}

namespace ui {

namespace {
// libjpeg reports fatal errors through error_exit, which must not return;
// it jumps back to the decoder instead of ending the program.
struct JumpingErrorManager {
    jpeg_error_mgr manager;
    std::jmp_buf back;
};

void jump_back(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JumpingErrorManager *>(info->err)->back, 1);
}

void ignore_message(j_common_ptr) {}
void ignore_warning(j_common_ptr, int) {}
void format_nothing(j_common_ptr, char *buffer) {
    buffer[0] = '\0';
}
void reset_errors(j_common_ptr info) {
    info->err->num_warnings = 0;
    info->err->msg_code = 0;
}

// Kept apart from C++ objects with destructors, which longjmp would skip.
bool decode_into(const void *bytes, unsigned long size, Bitmap &bitmap) {
    jpeg_decompress_struct info;
    // Filled here rather than by jpeg_std_error: nothing is ever shown of
    // libjpeg's messages, and its message table and formatting (with the C
    // library's printf) would come with that function.
    JumpingErrorManager errors = {};
    errors.manager.error_exit = jump_back;
    errors.manager.emit_message = ignore_warning;
    errors.manager.output_message = ignore_message;
    errors.manager.format_message = format_nothing;
    errors.manager.reset_error_mgr = reset_errors;
    info.err = &errors.manager;
    if (setjmp(errors.back)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, static_cast<const unsigned char *>(bytes), size);
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_BGR; // the byte order of a Windows bitmap
    jpeg_start_decompress(&info);
    bitmap.width = static_cast<int>(info.output_width);
    bitmap.height = static_cast<int>(info.output_height);
    bitmap.pixels.resize(static_cast<std::size_t>(bitmap.stride()) * bitmap.height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row =
            bitmap.pixels.data() + static_cast<std::size_t>(bitmap.stride()) * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

// Where the centre of pixel `at` of a run of `to` pixels falls on a run of
// `from` pixels, in 256ths of a pixel, kept inside the first and last
// pixels' centres.
int source_position(int at, int from, int to) {
    const int position = (2 * at + 1) * from * 128 / to - 128;
    return std::clamp(position, 0, (from - 1) * 256);
}
} // namespace

Bitmap decode_jpeg(const void *bytes, unsigned long size) {
    Bitmap bitmap;
    if (!decode_into(bytes, size, bitmap)) return {};
    return bitmap;
}

Bitmap scale_bitmap(Bitmap source, int width, int height) {
    if (width <= 0 || height <= 0) return {};
    if (source.pixels.empty() || (width == source.width && height == source.height)) return source;
    Bitmap result;
    result.width = width;
    result.height = height;
    result.pixels.resize(static_cast<std::size_t>(result.stride()) * height);
    const auto pixel = [&source](int x, int y) {
        return source.pixels.data() + static_cast<std::size_t>(source.stride()) * y + x * 3;
    };
    for (int y = 0; y < height; ++y) {
        const int from_y = source_position(y, source.height, height);
        const int top = from_y >> 8, bottom = std::min(top + 1, source.height - 1);
        const int down = from_y & 255;
        unsigned char *out = result.pixels.data() + static_cast<std::size_t>(result.stride()) * y;
        for (int x = 0; x < width; ++x) {
            const int from_x = source_position(x, source.width, width);
            const int left = from_x >> 8, right = std::min(left + 1, source.width - 1);
            const int across = from_x & 255;
            for (int channel = 0; channel < 3; ++channel) {
                const int upper = pixel(left, top)[channel] * (256 - across) +
                                  pixel(right, top)[channel] * across;
                const int lower = pixel(left, bottom)[channel] * (256 - across) +
                                  pixel(right, bottom)[channel] * across;
                *out++ =
                    static_cast<unsigned char>((upper * (256 - down) + lower * down + 32768) >> 16);
            }
        }
    }
    return result;
}

void draw_bitmap(HDC dc, const Bitmap &bitmap, int left, int top, int width, int height) {
    if (bitmap.pixels.empty()) return;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = bitmap.width;
    info.bmiHeader.biHeight = -bitmap.height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    const int shown_width = std::min(width, bitmap.width);
    const int shown_height = std::min(height, bitmap.height);
    ::SetDIBitsToDevice(dc, left, top, shown_width, shown_height, 0, 0, 0, bitmap.height,
                        bitmap.pixels.data(), &info, DIB_RGB_COLORS);
}

} // namespace ui
