#include "ui/jpeg_file.h"

#include <QImage>

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>


namespace qx::ui {
namespace {

// libjpeg ends the process on an error unless told otherwise: its errors
// jump back to the one frame that called it, which holds no C++ objects.
struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf back;
};

[[noreturn]] void JumpBack(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegError*>(info->err)->back, 1);
}

// Plain C data only between setjmp and the last libjpeg call.
bool Compress(std::FILE* out, const unsigned char* pixels, int width, int height, long stride, int quality) {
    jpeg_compress_struct info;
    JpegError error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = JumpBack;
    if (setjmp(error.back)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, out);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels + static_cast<long>(info.next_scanline) * stride);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

}  // namespace

bool SaveJpeg(const QImage& image, const std::string& path, int quality) {
    if (image.isNull() || image.width() <= 0 || image.height() <= 0) return false;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) {
        return false;
    }
    const bool ok = Compress(out, rgb.constBits(), rgb.width(), rgb.height(), static_cast<long>(rgb.bytesPerLine()),
                             quality);
    const bool closed = std::fclose(out) == 0;
    if (!ok || !closed) {
        std::remove(path.c_str());
        return false;
    }
    return true;
}

}  // namespace qx::ui
