#include "JpegImage.h"

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

namespace {

struct TJpegError
{
    jpeg_error_mgr Manager;
    std::jmp_buf Escape;
};

[[noreturn]] void LeaveDecoder(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<TJpegError*>(info->err)->Escape, 1);
}

void IgnoreMessage(j_common_ptr) {}

// Reads the scan lines into image. No object with a destructor lives in this
// frame, so libjpeg's error exit may jump back out of it.
bool ReadScanLines(jpeg_decompress_struct& info, QImage& image)
{
    jpeg_start_decompress(&info);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image.scanLine(int(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    return true;
}

bool Decode(jpeg_decompress_struct& info, const QByteArray& data, QImage& image)
{
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK)
        return false;
    info.out_color_space = JCS_RGB;
    jpeg_calc_output_dimensions(&info);
    if (info.output_width == 0 || info.output_height == 0 || info.output_width > 16384 ||
        info.output_height > 16384)
        return false;
    image = QImage(int(info.output_width), int(info.output_height), QImage::Format_RGB888);
    if (image.isNull())
        return false;
    return ReadScanLines(info, image);
}

} // namespace

QImage DecodeJpeg(const QByteArray& data)
{
    if (data.isEmpty())
        return {};
    jpeg_decompress_struct info{};
    TJpegError error{};
    info.err = jpeg_std_error(&error.Manager);
    error.Manager.error_exit = LeaveDecoder;
    error.Manager.output_message = IgnoreMessage;
    jpeg_create_decompress(&info);
    QImage image;
    volatile bool ok = false;
    if (setjmp(error.Escape) == 0)
        ok = Decode(info, data, image);
    jpeg_destroy_decompress(&info);
    return ok ? image : QImage();
}
