#include "app/panels/picture_writers.h"

#include <QSaveFile>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <jpeglib.h>

namespace camtrove::app {
namespace {

void PutLittleEndian(QByteArray& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(static_cast<char>(value >> (8 * i) & 0xFF));
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return false;
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

// libjpeg reports errors by calling error_exit, which by default ends the process.
struct JpegError
{
    jpeg_error_mgr manager;
    std::jmp_buf back;
};

[[noreturn]] void JumpBack(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegError*>(info->err)->back, 1);
}

// Everything libjpeg allocates is freed here, also after a jump back out of it.
struct Compressor
{
    jpeg_compress_struct info{};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    ~Compressor()
    {
        jpeg_destroy_compress(&info);
        std::free(buffer);
    }
};

bool Compress(Compressor& c, JpegError& error, const QImage& rgb, int quality)
{
    c.info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = JumpBack;
    if (setjmp(error.back))
        return false;
    jpeg_create_compress(&c.info);
    jpeg_mem_dest(&c.info, &c.buffer, &c.size);
    c.info.image_width = static_cast<JDIMENSION>(rgb.width());
    c.info.image_height = static_cast<JDIMENSION>(rgb.height());
    c.info.input_components = 3;
    c.info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c.info);
    jpeg_set_quality(&c.info, std::clamp(quality, 1, 100), TRUE);
    jpeg_start_compress(&c.info, TRUE);
    while (c.info.next_scanline < c.info.image_height) {
        auto* row = const_cast<JSAMPLE*>(rgb.constScanLine(static_cast<int>(c.info.next_scanline)));
        jpeg_write_scanlines(&c.info, &row, 1);
    }
    jpeg_finish_compress(&c.info);
    return true;
}

} // namespace

QByteArray EncodeBmp(const QImage& picture)
{
    // Bottom-up rows of blue, green, red, each padded to four bytes.
    const QImage bgr = picture.convertToFormat(QImage::Format_BGR888);
    const int width = bgr.width(), height = bgr.height();
    const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
    const std::uint32_t imageSize = stride * static_cast<std::uint32_t>(height);
    constexpr std::uint32_t kHeaders = 14 + 40;
    QByteArray out;
    out.reserve(static_cast<qsizetype>(kHeaders + imageSize));
    out.append("BM", 2);
    PutLittleEndian(out, kHeaders + imageSize, 4);
    PutLittleEndian(out, 0, 4); // reserved
    PutLittleEndian(out, kHeaders, 4);
    PutLittleEndian(out, 40, 4);
    PutLittleEndian(out, static_cast<std::uint32_t>(width), 4);
    PutLittleEndian(out, static_cast<std::uint32_t>(height), 4);
    PutLittleEndian(out, 1, 2);  // planes
    PutLittleEndian(out, 24, 2); // bits per pixel
    PutLittleEndian(out, 0, 4);  // BI_RGB
    PutLittleEndian(out, imageSize, 4);
    PutLittleEndian(out, 0, 4); // no resolution stated
    PutLittleEndian(out, 0, 4);
    PutLittleEndian(out, 0, 4); // no palette
    PutLittleEndian(out, 0, 4);
    const QByteArray padding(static_cast<qsizetype>(stride) - width * 3, '\0');
    for (int y = height - 1; y >= 0; --y) {
        out.append(reinterpret_cast<const char*>(bgr.constScanLine(y)), width * 3);
        out.append(padding);
    }
    return out;
}

QByteArray EncodeJpeg(const QImage& picture, int quality)
{
    if (picture.isNull())
        return {};
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    Compressor compressor;
    JpegError error{};
    if (!Compress(compressor, error, rgb, quality))
        return {};
    return QByteArray(reinterpret_cast<const char*>(compressor.buffer),
                      static_cast<qsizetype>(compressor.size));
}

bool WriteBmp(const QString& path, const QImage& picture)
{
    return !picture.isNull() && WriteFile(path, EncodeBmp(picture));
}

bool WriteJpeg(const QString& path, const QImage& picture, int quality)
{
    return WriteFile(path, EncodeJpeg(picture, quality));
}

} // namespace camtrove::app
