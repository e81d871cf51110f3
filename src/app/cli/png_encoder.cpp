#include "app/cli/png_encoder.h"

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <vector>

namespace lumenor::cli {

namespace {

void append(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<QByteArray*>(png_get_io_ptr(png));
    out->append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(length));
}

void flush(png_structp) {}

// libpng reports errors by longjmp; nothing here owns anything that needs unwinding.
bool write(png_structp png, png_infop info, const QImage& image, bool sixteen) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width()),
                 static_cast<png_uint_32>(image.height()), sixteen ? 16 : 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_set_compression_strategy(png, Z_RLE);
    png_set_compression_level(png, 6);
    png_write_info(png, info);
    if (sixteen) {
        // RGBX64 holds native-endian 16-bit channels with a fourth to drop; PNG wants RGB,
        // big-endian.
        png_set_filler(png, 0, PNG_FILLER_AFTER);
        if (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
            png_set_swap(png);
        }
    }
    for (int y = 0; y < image.height(); ++y) {
        png_write_row(png, const_cast<png_bytep>(image.constScanLine(y)));
    }
    png_write_end(png, info);
    return true;
}

}  // namespace

std::optional<QByteArray> encodePng(const QImage& image) {
    const bool sixteen = image.format() == QImage::Format_RGBX64;
    if ((!sixteen && image.format() != QImage::Format_RGB888) || image.isNull()) {
        return std::nullopt;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return std::nullopt;
    }
    QByteArray out;
    png_set_write_fn(png, &out, append, flush);
    const bool ok = write(png, info, image, sixteen);
    png_destroy_write_struct(&png, &info);
    if (!ok) {
        return std::nullopt;
    }
    return out;
}

}  // namespace lumenor::cli
