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
} // namespace

Bitmap decode_jpeg(const void *bytes, unsigned long size) {
    Bitmap bitmap;
    if (!decode_into(bytes, size, bitmap)) return {};
    return bitmap;
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

platform::UniqueIcon load_icon(HINSTANCE instance, const char *name) {
    return platform::UniqueIcon(
        static_cast<HICON>(::LoadImageA(instance, name, IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)));
}

} // namespace ui
