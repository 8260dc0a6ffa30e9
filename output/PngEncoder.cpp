#include "PngEncoder.h"

#include "CompactPicture.h"
#include "GreyPixels.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <new>
#include <stdexcept>
#include <optional>
#include <vector>

#include <png.h>
#include <zlib.h>

// How a page is written was chosen by measurement (bench_png, the pages of a
// 1 MB text): without filters, with zlib's run-length strategy, a page of
// greys as 8-bit grey and any other page of at most 256 colours with a
// palette, which encodes much faster than a true-colour PNG at the default
// level and into smaller files (bench_png prints the figures). A page of
// more colours is written in true colour at level 1. A page of grain, where
// hardly a byte repeats the one before, is Huffman coded alone.

namespace {

// The rows of the PNG to be written, one kind or another.
struct PngRows
{
    int width = 0;
    int height = 0;
    int colourType = PNG_COLOR_TYPE_RGB;
    int bitDepth = 8;
    std::vector<png_color> palette;
    // Row y, in the bytes the PNG takes (for RGB the 32-bit pixels, which
    // libpng turns into RGB while it writes).
    std::function<const png_byte *(int y)> row;
    bool fromRgb32 = false;
    int strategy = Z_DEFAULT_STRATEGY;
};

// Where libpng writes, and what it says when it fails.
struct Sink
{
    QByteArray *bytes = nullptr;
    char message[256] = {};
};

void appendBytes(png_structp png, png_bytep data, std::size_t length)
{
    auto *sink = static_cast<Sink *>(png_get_io_ptr(png));
    bool appended = true;
    try {
        sink->bytes->append(reinterpret_cast<const char *>(data), static_cast<qsizetype>(length));
    } catch (...) {
        appended = false;
    }
    if (!appended)
        png_error(png, "out of memory");
}

void flushNothing(png_structp) {}

// libpng's own messages never reach standard error: an error is kept and
// ends the writing; a warning is of no use to the user.
[[noreturn]] void keepError(png_structp png, png_const_charp message)
{
    auto *sink = static_cast<Sink *>(png_get_error_ptr(png));
    std::snprintf(sink->message, sizeof sink->message, "%s", message);
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

// libpng leaves an error through longjmp: no object with a destructor may
// live in this function's frame after setjmp.
bool writePng(const PngRows &rows, Sink &sink)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, keepError, ignoreWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &sink, appendBytes, flushNothing);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_compression_level(png, 1);
    png_set_compression_strategy(png, rows.strategy);
    png_set_IHDR(png, info, static_cast<png_uint_32>(rows.width), static_cast<png_uint_32>(rows.height),
                 rows.bitDepth, rows.colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE,
                 PNG_FILTER_TYPE_BASE);
    if (rows.colourType == PNG_COLOR_TYPE_PALETTE)
        png_set_PLTE(png, info, rows.palette.data(), static_cast<int>(rows.palette.size()));
    png_write_info(png, info);
    if (rows.fromRgb32) {
        // The pixels lie in memory as blue, green, red and a fourth byte.
        png_set_bgr(png);
        png_set_filler(png, 0, PNG_FILLER_AFTER);
    }
    for (int y = 0; y < rows.height; ++y)
        png_write_row(png, rows.row(y));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

int bitsFor(qsizetype colours)
{
    return colours <= 2 ? 1 : colours <= 4 ? 2 : colours <= 16 ? 4 : 8;
}

// Text on a clean page is long runs of one level, which zlib's run-length
// strategy finds. A page of grain (paper, sensor noise) has next to none:
// Huffman coding alone writes it faster, and no larger.
int strategyFor(const PngRows &rows)
{
    if (rows.colourType == PNG_COLOR_TYPE_RGB)
        return Z_DEFAULT_STRATEGY;
    const auto bytes = static_cast<std::size_t>((static_cast<std::int64_t>(rows.width) * rows.bitDepth + 7) / 8);
    // Every eighth row tells, at an eighth of the cost.
    constexpr int Sampled = 8;
    std::size_t repeats = 0;
    std::size_t pairs = 0;
    for (int y = 0; y < rows.height; y += Sampled) {
        const png_byte *line = rows.row(y);
        for (std::size_t i = 1; i < bytes; ++i)
            repeats += line[i] == line[i - 1];
        pairs += bytes - std::min<std::size_t>(bytes, 1);
    }
    return repeats * 4 < pairs ? Z_HUFFMAN_ONLY : Z_RLE;
}

QByteArray encode(PngRows &rows)
{
    rows.strategy = strategyFor(rows);
    QByteArray bytes;
    Sink sink;
    sink.bytes = &bytes;
    if (!writePng(rows, sink)) {
        // Writing into memory fails only when memory runs out or the picture
        // is not one a PNG can hold.
        if (std::strcmp(sink.message, "out of memory") == 0 || sink.message[0] == '\0')
            throw std::bad_alloc();
        throw std::runtime_error(sink.message);
    }
    return bytes;
}

QByteArray encodeIndexed(const QImage &indexed, PngDepth depth)
{
    PngRows rows;
    rows.width = indexed.width();
    rows.height = indexed.height();
    const QList<QRgb> colours = indexed.colorTable();
    bool grey = true;
    for (const QRgb colour : colours)
        grey = grey && IsGrey(colour);

    std::vector<png_byte> line(static_cast<std::size_t>(rows.width));
    if (grey) {
        rows.colourType = PNG_COLOR_TYPE_GRAY;
        std::array<png_byte, 256> level{};
        for (qsizetype i = 0; i < colours.size(); ++i)
            level[static_cast<std::size_t>(i)] = static_cast<png_byte>(qRed(colours[i]));
        rows.row = [&](int y) {
            const uchar *source = indexed.constScanLine(y);
            png_byte *target = line.data();
            const int width = rows.width;
            for (int x = 0; x < width; ++x)
                target[x] = level[source[x]];
            return target;
        };
        return encode(rows);
    }
    rows.colourType = PNG_COLOR_TYPE_PALETTE;
    rows.bitDepth = depth == PngDepth::WholeBytes ? 8 : bitsFor(colours.size());
    for (const QRgb colour : colours)
        rows.palette.push_back(png_color{static_cast<png_byte>(qRed(colour)), static_cast<png_byte>(qGreen(colour)),
                                         static_cast<png_byte>(qBlue(colour))});
    if (rows.bitDepth == 8) {
        rows.row = [&indexed](int y) { return indexed.constScanLine(y); };
        return encode(rows);
    }
    // Few colours: several pixels a byte, the first in the high bits.
    const int bits = rows.bitDepth;
    rows.row = [&](int y) {
        const uchar *source = indexed.constScanLine(y);
        std::fill(line.begin(), line.end(), png_byte(0));
        for (int x = 0; x < rows.width; ++x) {
            const int shift = 8 - bits - (x * bits) % 8;
            line[static_cast<std::size_t>(x * bits / 8)] |= static_cast<png_byte>(source[x] << shift);
        }
        return line.data();
    };
    return encode(rows);
}

} // namespace

QByteArray EncodePng(const QImage &image, PngDepth depth)
{
    // A picture of 0 x 0 pixels gives an empty file, as its BMP does.
    if (image.isNull() || image.width() <= 0 || image.height() <= 0)
        return QByteArray();
    if (image.format() == QImage::Format_Indexed8)
        return encodeIndexed(image, depth);
    const QImage picture = image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);

    PngRows rows;
    rows.width = picture.width();
    rows.height = picture.height();
    if (IsGreyPicture(picture)) {
        std::vector<png_byte> line(static_cast<std::size_t>(rows.width));
        rows.colourType = PNG_COLOR_TYPE_GRAY;
        rows.row = [&](int y) {
            // Plain pointers, which the compiler can tell apart, so the
            // loop runs on vector registers.
            const auto *source = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
            png_byte *target = line.data();
            const int width = rows.width;
            for (int x = 0; x < width; ++x)
                target[x] = static_cast<png_byte>(source[x]);
            return target;
        };
        return encode(rows);
    }
    if (const std::optional<QImage> indexed = PaletteCopy(picture))
        return encodeIndexed(*indexed, depth);
    rows.colourType = PNG_COLOR_TYPE_RGB;
    rows.fromRgb32 = true;
    rows.row = [&picture](int y) { return picture.constScanLine(y); };
    return encode(rows);
}
