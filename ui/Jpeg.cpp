#include "ui/Jpeg.h"

#include <QFile>

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace {

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void onError(j_common_ptr info)
{
    auto *err = reinterpret_cast<ErrorManager *>(info->err);
    std::longjmp(err->jump, 1);
}

void quiet(j_common_ptr) {}

} // namespace

QImage decodeJpeg(const QByteArray &data)
{
    if (data.isEmpty())
        return QImage();
    jpeg_decompress_struct info;
    ErrorManager err;
    info.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = onError;
    err.pub.output_message = quiet;
    // Everything the jump may skip lives outside this frame's automatic
    // objects with destructors.
    QImage *result = new QImage;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&info);
        delete result;
        return QImage();
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char *>(data.constData()), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    *result = QImage(int(info.output_width), int(info.output_height), QImage::Format_RGB888);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = result->scanLine(int(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    QImage out = std::move(*result);
    delete result;
    return out;
}

QImage loadJpeg(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QImage();
    return decodeJpeg(f.readAll());
}
