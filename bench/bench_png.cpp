// Chooses the PNG encoding of the program's pictures by measurement. Renders
// the pages of bench_convert's 1 MB text (Arial 8 pt, jitter 2/2, noise 5,
// 308 x 400, page mode, seed 1) and a few harder pictures, encodes every page
// to memory with each candidate encoder (Qt, libpng, libspng; palette or true
// colour; filters, zlib levels and strategies), checks that every file decodes,
// with Qt and with libpng, to exactly the page's pixels, and prints megapixels
// per second (one thread) and total bytes against today's way of writing PNG.
//
//   bench_png [--rounds N]         the short list on every page set, the best
//                                  of the checked pass and N more rounds (2),
//                                  the encoders taking turns
//   bench_png grid                 every filter, level and strategy of libpng
//                                  and libspng on the text's pages
//   --every N                      only every Nth page of the text (grid: 16);
//                                  bytes are scaled to all pages
//
// A PNG that does not decode to the page's pixels ends the program with the
// first differing pixel and exit code 1.

#include "BenchText.h"
#include "BmpEncoder.h"
#include "ConvertText.h"
#include "ImageCompare.h"
#include "LumoError.h"
#include "PictureStack.h"
#include "RenderSettings.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>

#include <png.h>
#include <spng.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// ---------------------------------------------------------------- the pages

struct PageStyle
{
    const char *name;
    const char *description;
    qsizetype textBytes;
    std::int32_t fontSize = 8;
    std::uint8_t fontStyle = 0;
    Colour fontColour = clBlack;
    Colour background = clWhite;
    std::int32_t noise = 5;
    std::int32_t width = 308;
    std::int32_t height = 400;
    bool onePicture = false;
};

struct PageSet
{
    std::string name;
    std::string description;
    std::vector<QImage> pages;
    double megapixels = 0;
    // All pages over the pages kept, when only a sample is encoded.
    double bytesScale = 1.0;
};

PageSet Render(const PageStyle &style, const QByteArray &text, PictureStack &stack)
{
    ResetRenderSettings();
    SetupFont->SetName(QStringLiteral("Arial"));
    SetupFont->SetSize(style.fontSize);
    SetupFont->SetStyle(style.fontStyle);
    SetupFont->SetColor(style.fontColour);
    SetupFont->SetCharset(0);
    BGColor = style.background;
    HoVar = 2;
    VeVar = 2;
    Rausch = style.noise;
    stack.First().ClearPicture();
    stack.First().SetBounds(0, 0, style.width, style.height);
    ConvertText(text.left(style.textBytes), stack.First(), stack, style.onePicture, {.seed = 1});

    PageSet set{style.name, style.description, {}, 0, 1.0};
    // Copies: the next conversion reuses the pictures' memory.
    for (const PictureControl *picture : ImageList) {
        set.pages.push_back(picture->Picture().copy());
        set.megapixels += set.pages.back().width() * double(set.pages.back().height()) / 1e6;
    }
    return set;
}

// The grey page with its grey levels rounded to so many evenly spaced ones.
QImage Quantized(const QImage &page, int levels)
{
    QImage image = page.copy();
    for (int y = 0; y < image.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int level = (qGray(row[x]) * (levels - 1) + 127) / 255;
            const int grey = level * 255 / (levels - 1);
            row[x] = qRgb(grey, grey, grey);
        }
    }
    return image;
}

// The page with its green channel replaced by a diagonal ramp: far more than
// 256 colours.
QImage ManyColours(const QImage &page)
{
    QImage image = page.copy();
    for (int y = 0; y < image.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            row[x] = qRgb(qRed(row[x]), (x + y) & 0xFF, qBlue(row[x]));
    }
    return image;
}

// Pictures that take the encoders' rarer ways, so that the checks cover
// them: a page without text (its two colours at 1 bit a pixel), the first
// text page rounded to 4 and 12 grey levels (2 and 4 bits) and the same page
// with more than 256 colours (true colour).
PageSet RareWays(const QImage &textPage, const QImage &emptyPage)
{
    PageSet set{"rare", "a page without text; the first text page in 4 and 12 greys and in >256 colours", {}, 0, 1.0};
    set.pages = {emptyPage, Quantized(textPage, 4), Quantized(textPage, 12), ManyColours(textPage)};
    for (const QImage &page : set.pages)
        set.megapixels += page.width() * double(page.height()) / 1e6;
    return set;
}

// ------------------------------------------------- the colours of a page

// A page's pixels as indices into its colours, in the order the colours are
// first met, one byte an index or packed to a smaller PNG bit depth.
struct IndexedPage
{
    std::array<QRgb, 256> palette{};
    int colours = 0;
    int bitDepth = 8;
    std::size_t rowBytes = 0;
    std::vector<unsigned char> rows;
};

enum class Packing { Always8, Smallest };

int SmallestBitDepth(int colours)
{
    return colours <= 2 ? 1 : colours <= 4 ? 2 : colours <= 16 ? 4 : 8;
}

// Packs the one-byte indices in place: a packed row never starts after its
// unpacked row, and each output byte is written after the input bytes it is
// made of were read.
void PackRows(IndexedPage &page, int width, int height, int bitDepth)
{
    const int perByte = 8 / bitDepth;
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * bitDepth + 7) / 8;
    unsigned char *data = page.rows.data();
    for (int y = 0; y < height; ++y) {
        const unsigned char *in = data + static_cast<std::size_t>(y) * width;
        unsigned char *out = data + y * rowBytes;
        for (int x = 0; x < width; x += perByte) {
            unsigned value = 0;
            for (int k = 0; k < perByte; ++k)
                value = (value << bitDepth) | (x + k < width ? in[x + k] : 0u);
            *out++ = static_cast<unsigned char>(value);
        }
    }
    page.bitDepth = bitDepth;
    page.rowBytes = rowBytes;
    page.rows.resize(rowBytes * height);
}

// Indexes the page's colours; false when it has more than 256. With
// LastColour the pixel is first compared with the one before and only a
// change goes to the hash table; on pages with noise that branch goes wrong
// so often that the plain lookup for every pixel is faster (both are timed).
template <bool LastColour>
bool IndexPage(const QImage &page, Packing packing, IndexedPage &out)
{
    const int width = page.width();
    const int height = page.height();
    // Open addressing on the colour value: 1024 slots for at most 256 colours
    // keep the probe sequences short. Key 0 is free: every stored colour has
    // its alpha byte set.
    constexpr std::uint32_t Slots = 1024;
    std::array<QRgb, Slots> keys;
    std::array<unsigned char, Slots> values;
    keys.fill(0);
    out.colours = 0;
    out.rows.resize(static_cast<std::size_t>(width) * height);
    unsigned char *index = out.rows.data();
    QRgb last = 0;
    unsigned char lastIndex = 0;
    for (int y = 0; y < height; ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(page.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            const QRgb pixel = row[x] | 0xFF000000u;
            if (!LastColour || pixel != last) {
                std::uint32_t slot = (pixel * 0x9E3779B1u) >> 22;
                while (keys[slot] != pixel && keys[slot] != 0)
                    slot = (slot + 1) & (Slots - 1);
                if (keys[slot] == 0) {
                    if (out.colours == 256)
                        return false;
                    keys[slot] = pixel;
                    values[slot] = static_cast<unsigned char>(out.colours);
                    out.palette[out.colours++] = pixel;
                }
                last = pixel;
                lastIndex = values[slot];
            }
            *index++ = lastIndex;
        }
    }
    out.bitDepth = 8;
    out.rowBytes = width;
    const int bitDepth = packing == Packing::Smallest ? SmallestBitDepth(out.colours) : 8;
    if (bitDepth < 8)
        PackRows(out, width, height, bitDepth);
    return true;
}

// ------------------------------------------------------------ the encoders

enum class Filter { None, Sub, Up, Paeth, All };

const char *FilterName(Filter filter)
{
    switch (filter) {
    case Filter::None: return "NONE";
    case Filter::Sub: return "SUB";
    case Filter::Up: return "UP";
    case Filter::Paeth: return "PAETH";
    case Filter::All: return "all";
    }
    return "?";
}

const char *StrategyName(int strategy)
{
    switch (strategy) {
    case Z_DEFAULT_STRATEGY: return "default";
    case Z_FILTERED: return "Z_FILTERED";
    case Z_RLE: return "Z_RLE";
    }
    return "?";
}

struct ZlibSettings
{
    Filter filter = Filter::None;
    int level = 6;
    int strategy = Z_DEFAULT_STRATEGY;
};

std::string Describe(const ZlibSettings &settings)
{
    return std::string("filter ") + FilterName(settings.filter) + ", level " + std::to_string(settings.level) + ", "
           + StrategyName(settings.strategy);
}

// The PNG colour types written (libpng and libspng use the same numbers).
enum class ColourType { Grey = 0, TrueColour = 2, Indexed = 3 };

// The rows handed to libpng or libspng: grey levels, palette indices (packed
// as the bit depth says) or, for true colour, the page's own 32-bit pixels.
struct PngImage
{
    int width = 0;
    int height = 0;
    int bitDepth = 8;
    ColourType colourType = ColourType::TrueColour;
    const QRgb *colours = nullptr;
    int colourCount = 0;
    const unsigned char *rows = nullptr;
    std::size_t stride = 0;
};

PngImage PaletteImage(const IndexedPage &indexed, int width, int height)
{
    return {width, height, indexed.bitDepth, ColourType::Indexed, indexed.palette.data(), indexed.colours,
            indexed.rows.data(), indexed.rowBytes};
}

PngImage GreyImage(const std::vector<unsigned char> &grey, int width, int height)
{
    return {width, height, 8, ColourType::Grey, nullptr, 0, grey.data(), static_cast<std::size_t>(width)};
}

PngImage TrueColourImage(const QImage &page)
{
    return {page.width(), page.height(), 8, ColourType::TrueColour, nullptr, 0, page.constBits(),
            static_cast<std::size_t>(page.bytesPerLine())};
}

// The page as one grey level a pixel; false as soon as a row holds a pixel
// whose red, green and blue differ.
bool GreyLevels(const QImage &page, std::vector<unsigned char> &grey)
{
    const int width = page.width();
    grey.resize(static_cast<std::size_t>(width) * page.height());
    unsigned char *out = grey.data();
    for (int y = 0; y < page.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(page.constScanLine(y));
        QRgb notGrey = 0;
        for (int x = 0; x < width; ++x) {
            const QRgb pixel = row[x];
            notGrey |= (pixel ^ (pixel >> 8)) & 0xFFFFu;
            *out++ = static_cast<unsigned char>(pixel);
        }
        if (notGrey != 0)
            return false;
    }
    return true;
}

// Where libpng writes the file, and its first message. libpng's own printing
// to standard error is replaced by the error and warning functions below.
struct PngSink
{
    std::vector<unsigned char> *bytes;
    char error[160];
    char warning[160];
};

void PngWrite(png_structp png, png_bytep data, std::size_t length)
{
    auto *sink = static_cast<PngSink *>(png_get_io_ptr(png));
    // No exception may cross libpng's C frames: a failed allocation becomes
    // libpng's error, which jumps back to the encoder.
    bool stored = true;
    try {
        sink->bytes->insert(sink->bytes->end(), data, data + length);
    } catch (...) {
        stored = false;
    }
    if (!stored)
        png_error(png, "out of memory");
}

void PngFlush(png_structp)
{
}

[[noreturn]] void PngError(png_structp png, png_const_charp message)
{
    auto *sink = static_cast<PngSink *>(png_get_error_ptr(png));
    std::snprintf(sink->error, sizeof sink->error, "%s", message);
    png_longjmp(png, 1);
}

void PngWarning(png_structp png, png_const_charp message)
{
    auto *sink = static_cast<PngSink *>(png_get_error_ptr(png));
    if (sink->warning[0] == '\0')
        std::snprintf(sink->warning, sizeof sink->warning, "%s", message);
}

int LibpngFilters(Filter filter)
{
    switch (filter) {
    case Filter::None: return PNG_FILTER_NONE;
    case Filter::Sub: return PNG_FILTER_SUB;
    case Filter::Up: return PNG_FILTER_UP;
    case Filter::Paeth: return PNG_FILTER_PAETH;
    case Filter::All: return PNG_ALL_FILTERS;
    }
    return PNG_ALL_FILTERS;
}

// Only trivially destructible objects live between setjmp and the libpng
// calls, so libpng's error jump skips no destructor.
bool WriteWithLibpng(const PngImage &image, const ZlibSettings &settings, PngSink &sink)
{
    sink.error[0] = '\0';
    sink.warning[0] = '\0';
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, PngError, PngWarning);
    if (png == nullptr) {
        std::snprintf(sink.error, sizeof sink.error, "libpng cannot start");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        std::snprintf(sink.error, sizeof sink.error, "libpng cannot start");
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &sink, PngWrite, PngFlush);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, LibpngFilters(settings.filter));
    png_set_compression_level(png, settings.level);
    png_set_compression_strategy(png, settings.strategy);
    png_set_IHDR(png, info, image.width, image.height, image.bitDepth,
                 static_cast<int>(image.colourType), PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    if (image.colourType == ColourType::Indexed) {
        png_color entries[256];
        for (int i = 0; i < image.colourCount; ++i)
            entries[i] = {static_cast<png_byte>(qRed(image.colours[i])),
                          static_cast<png_byte>(qGreen(image.colours[i])),
                          static_cast<png_byte>(qBlue(image.colours[i]))};
        png_set_PLTE(png, info, entries, image.colourCount);
    }
    png_write_info(png, info);
    if (image.colourType == ColourType::TrueColour) {
        // The page's pixels lie in memory as blue, green, red and an unused
        // byte: libpng swaps and drops while it writes, without a copy.
        png_set_bgr(png);
        png_set_filler(png, 0, PNG_FILLER_AFTER);
    }
    for (int y = 0; y < image.height; ++y)
        png_write_row(png, image.rows + y * image.stride);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

int SpngWrite(spng_ctx *, void *user, void *data, std::size_t length)
{
    auto *bytes = static_cast<std::vector<unsigned char> *>(user);
    const auto *begin = static_cast<const unsigned char *>(data);
    try {
        bytes->insert(bytes->end(), begin, begin + length);
    } catch (...) {
        return SPNG_IO_ERROR;
    }
    return 0;
}

int SpngFilterChoice(Filter filter)
{
    switch (filter) {
    case Filter::None: return SPNG_DISABLE_FILTERING;
    case Filter::Sub: return SPNG_FILTER_CHOICE_SUB;
    case Filter::Up: return SPNG_FILTER_CHOICE_UP;
    case Filter::Paeth: return SPNG_FILTER_CHOICE_PAETH;
    case Filter::All: return SPNG_FILTER_CHOICE_ALL;
    }
    return SPNG_FILTER_CHOICE_ALL;
}

class SpngContext
{
public:
    SpngContext() : m_ctx(spng_ctx_new(SPNG_CTX_ENCODER)) {}
    ~SpngContext() { spng_ctx_free(m_ctx); }
    SpngContext(const SpngContext &) = delete;
    SpngContext &operator=(const SpngContext &) = delete;
    spng_ctx *get() const { return m_ctx; }

private:
    spng_ctx *m_ctx;
};

// Returns libspng's error code, 0 on success. True colour goes row by row
// through rgbRow, which turns the page's 32-bit pixels into RGB bytes.
int WriteWithSpng(const PngImage &image, const ZlibSettings &settings, std::vector<unsigned char> &bytes,
                  std::vector<unsigned char> &rgbRow)
{
    const SpngContext context;
    spng_ctx *ctx = context.get();
    if (ctx == nullptr)
        return SPNG_EMEM;
    spng_ihdr ihdr{};
    ihdr.width = static_cast<std::uint32_t>(image.width);
    ihdr.height = static_cast<std::uint32_t>(image.height);
    ihdr.bit_depth = static_cast<std::uint8_t>(image.bitDepth);
    ihdr.color_type = static_cast<std::uint8_t>(image.colourType);
    if (const int ret = spng_set_png_stream(ctx, SpngWrite, &bytes))
        return ret;
    if (const int ret = spng_set_ihdr(ctx, &ihdr))
        return ret;
    if (image.colourType == ColourType::Indexed) {
        spng_plte plte{};
        plte.n_entries = static_cast<std::uint32_t>(image.colourCount);
        for (int i = 0; i < image.colourCount; ++i)
            plte.entries[i] = {static_cast<std::uint8_t>(qRed(image.colours[i])),
                               static_cast<std::uint8_t>(qGreen(image.colours[i])),
                               static_cast<std::uint8_t>(qBlue(image.colours[i])), 255};
        if (const int ret = spng_set_plte(ctx, &plte))
            return ret;
    }
    // Setting the filter choice also keeps libspng from switching filtering
    // off for palette images on its own.
    if (const int ret = spng_set_option(ctx, SPNG_FILTER_CHOICE, SpngFilterChoice(settings.filter)))
        return ret;
    if (const int ret = spng_set_option(ctx, SPNG_IMG_COMPRESSION_LEVEL, settings.level))
        return ret;
    if (const int ret = spng_set_option(ctx, SPNG_IMG_COMPRESSION_STRATEGY, settings.strategy))
        return ret;
    if (image.colourType != ColourType::TrueColour)
        return spng_encode_image(ctx, image.rows, image.stride * image.height, SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE);

    const int progressive = SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE;
    if (const int ret = spng_encode_image(ctx, nullptr, 0, SPNG_FMT_PNG, progressive))
        return ret;
    rgbRow.resize(static_cast<std::size_t>(image.width) * 3);
    for (int y = 0; y < image.height; ++y) {
        const auto *pixels = reinterpret_cast<const QRgb *>(image.rows + y * image.stride);
        unsigned char *rgb = rgbRow.data();
        for (int x = 0; x < image.width; ++x) {
            *rgb++ = static_cast<unsigned char>(qRed(pixels[x]));
            *rgb++ = static_cast<unsigned char>(qGreen(pixels[x]));
            *rgb++ = static_cast<unsigned char>(qBlue(pixels[x]));
        }
        const int ret = spng_encode_row(ctx, rgbRow.data(), rgbRow.size());
        // The last row answers "end of image" once the file is finished.
        if (ret == SPNG_EOI && y == image.height - 1)
            return 0;
        if (ret != 0)
            return ret;
    }
    return SPNG_EINTERNAL;
}

enum class Method {
    Today,               // BMP in memory, read back by Qt, Qt's PNG writer
    QtTrueColour,        // Qt's PNG writer on the page
    QtIndexedConverted,  // QImage::convertToFormat(Indexed8, the page's colours)
    QtIndexedBuilt,      // an Indexed8 QImage made from the page's indices
    LibpngTrueColour,
    LibpngPalette,
    LibpngGrey,          // grey levels when the page is all grey, else as LibpngPalette
    SpngTrueColour,
    SpngPalette,
    SpngGrey,            // grey levels when the page is all grey, else as SpngPalette
};

// Palette methods write a page of more than 256 colours in true colour with
// the same library and the fallback settings.
struct Encoder
{
    Method method;
    ZlibSettings zlib = {};
    ZlibSettings fallback = {};
    Packing packing = Packing::Smallest;
    int qtQuality = -1;
};

Encoder Palette(Method method, ZlibSettings zlib, ZlibSettings fallback, Packing packing = Packing::Smallest)
{
    return {method, zlib, fallback, packing, -1};
}

Encoder TrueColour(Method method, ZlibSettings zlib)
{
    return {method, zlib, zlib, Packing::Smallest, -1};
}

bool IsPalette(Method method)
{
    return method == Method::LibpngPalette || method == Method::LibpngGrey || method == Method::SpngPalette
           || method == Method::SpngGrey || method == Method::QtIndexedConverted || method == Method::QtIndexedBuilt;
}

std::string LibraryName(Method method)
{
    switch (method) {
    case Method::Today: return "today";
    case Method::QtTrueColour:
    case Method::QtIndexedConverted:
    case Method::QtIndexedBuilt: return "Qt";
    case Method::LibpngTrueColour:
    case Method::LibpngPalette:
    case Method::LibpngGrey: return "libpng";
    case Method::SpngTrueColour:
    case Method::SpngPalette:
    case Method::SpngGrey: return "libspng";
    }
    return "?";
}

std::string PixelsName(const Encoder &encoder)
{
    switch (encoder.method) {
    case Method::Today:
    case Method::QtTrueColour:
    case Method::LibpngTrueColour:
    case Method::SpngTrueColour: return "true colour";
    case Method::QtIndexedConverted: return "Indexed8 convert";
    case Method::QtIndexedBuilt: return "Indexed8 built";
    case Method::LibpngPalette:
    case Method::SpngPalette: return encoder.packing == Packing::Smallest ? "palette 1-8 bit" : "palette 8 bit";
    case Method::LibpngGrey:
    case Method::SpngGrey: return "grey 8, palette";
    }
    return "?";
}

std::string SettingsName(const Encoder &encoder)
{
    switch (encoder.method) {
    case Method::Today: return "BMP round trip, Qt default (level 6)";
    case Method::QtTrueColour:
    case Method::QtIndexedConverted:
    case Method::QtIndexedBuilt:
        return encoder.qtQuality < 0 ? std::string("Qt default (level 6)")
                                     : "quality " + std::to_string(encoder.qtQuality) + " (level "
                                           + std::to_string((100 - encoder.qtQuality) * 9 / 91) + ")";
    default: break;
    }
    std::string text = Describe(encoder.zlib);
    if (IsPalette(encoder.method) && Describe(encoder.fallback) != text)
        text += "; >256: " + Describe(encoder.fallback);
    return text;
}

struct Scratch
{
    IndexedPage indexed;
    std::vector<unsigned char> bytes;
    std::vector<unsigned char> rgbRow;
    std::vector<unsigned char> grey;
    QByteArray qtBytes;
    PngSink sink{};
};

struct Encoded
{
    const unsigned char *data;
    std::size_t size;
};

Encoded WithQt(const QImage &image, int quality, Scratch &scratch)
{
    scratch.qtBytes.resize(0);
    QBuffer buffer(&scratch.qtBytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (quality >= 0)
        writer.setQuality(quality);
    if (!writer.write(image))
        throw LumoError(QStringLiteral("Qt cannot write the PNG: ") + writer.errorString());
    buffer.close();
    return {reinterpret_cast<const unsigned char *>(scratch.qtBytes.constData()),
            static_cast<std::size_t>(scratch.qtBytes.size())};
}

Encoded WithLibpng(const PngImage &image, const ZlibSettings &settings, Scratch &scratch)
{
    scratch.bytes.clear();
    scratch.sink.bytes = &scratch.bytes;
    if (!WriteWithLibpng(image, settings, scratch.sink))
        throw LumoError(QStringLiteral("libpng: ") + QString::fromLocal8Bit(scratch.sink.error));
    if (scratch.sink.warning[0] != '\0')
        throw LumoError(QStringLiteral("libpng warned: ") + QString::fromLocal8Bit(scratch.sink.warning));
    return {scratch.bytes.data(), scratch.bytes.size()};
}

Encoded WithSpng(const PngImage &image, const ZlibSettings &settings, Scratch &scratch)
{
    scratch.bytes.clear();
    if (const int ret = WriteWithSpng(image, settings, scratch.bytes, scratch.rgbRow))
        throw LumoError(QStringLiteral("libspng: ") + QString::fromLocal8Bit(spng_strerror(ret)));
    return {scratch.bytes.data(), scratch.bytes.size()};
}

// Which palette lookup the encoders use: the plain hash table costs less
// processor time on the program's pages (see the "finding the palette" line).
constexpr bool PaletteLastColour = false;

Encoded Encode(const Encoder &encoder, const QImage &page, Scratch &scratch)
{
    switch (encoder.method) {
    case Method::Today: {
        const QImage bmp = QImage::fromData(EncodeBmp(page), "BMP");
        return WithQt(bmp, -1, scratch);
    }
    case Method::QtTrueColour: return WithQt(page, encoder.qtQuality, scratch);
    case Method::LibpngTrueColour: return WithLibpng(TrueColourImage(page), encoder.zlib, scratch);
    case Method::SpngTrueColour: return WithSpng(TrueColourImage(page), encoder.zlib, scratch);
    default: break;
    }

    if (encoder.method == Method::LibpngGrey && GreyLevels(page, scratch.grey))
        return WithLibpng(GreyImage(scratch.grey, page.width(), page.height()), encoder.zlib, scratch);
    if (encoder.method == Method::SpngGrey && GreyLevels(page, scratch.grey))
        return WithSpng(GreyImage(scratch.grey, page.width(), page.height()), encoder.zlib, scratch);
    const Packing packing = encoder.method == Method::QtIndexedConverted || encoder.method == Method::QtIndexedBuilt
                                ? Packing::Always8
                                : encoder.packing;
    const bool fits = IndexPage<PaletteLastColour>(page, packing, scratch.indexed);
    switch (encoder.method) {
    case Method::QtIndexedConverted:
    case Method::QtIndexedBuilt: {
        if (!fits)
            return WithQt(page, encoder.qtQuality, scratch);
        const auto *colours = scratch.indexed.palette.data();
        const QList<QRgb> table(colours, colours + scratch.indexed.colours);
        if (encoder.method == Method::QtIndexedConverted)
            return WithQt(page.convertToFormat(QImage::Format_Indexed8, table, Qt::ThresholdDither), encoder.qtQuality,
                          scratch);
        QImage indexed(scratch.indexed.rows.data(), page.width(), page.height(), page.width(),
                       QImage::Format_Indexed8);
        indexed.setColorTable(table);
        return WithQt(indexed, encoder.qtQuality, scratch);
    }
    case Method::LibpngPalette:
    case Method::LibpngGrey:
        return fits ? WithLibpng(PaletteImage(scratch.indexed, page.width(), page.height()), encoder.zlib, scratch)
                    : WithLibpng(TrueColourImage(page), encoder.fallback, scratch);
    case Method::SpngPalette:
    case Method::SpngGrey:
        return fits ? WithSpng(PaletteImage(scratch.indexed, page.width(), page.height()), encoder.zlib, scratch)
                    : WithSpng(TrueColourImage(page), encoder.fallback, scratch);
    default: break;
    }
    throw LumoError(QStringLiteral("unknown encoder"));
}

// ------------------------------------------------------------ the checks

// "P8", "P4", "RGB8", "G8" ... from the file's header.
std::string FormatOf(Encoded png)
{
    if (png.size < 33)
        return "short";
    const char *kind = "?";
    switch (png.data[25]) {
    case 0: kind = "G"; break;
    case 2: kind = "RGB"; break;
    case 3: kind = "P"; break;
    case 4: kind = "GA"; break;
    case 6: kind = "RGBA"; break;
    }
    char text[16];
    std::snprintf(text, sizeof text, "%s%d", kind, png.data[24]);
    return text;
}

QString LibpngDecodeDifference(const QImage &page, Encoded png)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, png.data, png.size))
        return QStringLiteral("libpng cannot read it: ") + QString::fromLocal8Bit(image.message);
    // Blue, green, red, alpha in memory is a QRgb on this machine.
    image.format = PNG_FORMAT_BGRA;
    QImage decoded(int(image.width), int(image.height), QImage::Format_ARGB32);
    if (!png_image_finish_read(&image, nullptr, decoded.bits(), decoded.bytesPerLine(), nullptr)) {
        const QString message = QString::fromLocal8Bit(image.message);
        png_image_free(&image);
        return QStringLiteral("libpng cannot decode it: ") + message;
    }
    return ImageDifference(decoded, page);
}

QString QtDecodeDifference(const QImage &page, Encoded png)
{
    QImage decoded;
    if (!decoded.loadFromData(png.data, static_cast<int>(png.size), "PNG"))
        return QStringLiteral("Qt cannot read it");
    return ImageDifference(decoded, page);
}

// ------------------------------------------------------------ measuring

// The machine may be shared: the processor time of the encoding thread is
// the figure that others' work disturbs least; the wall time is shown beside it.
double ThreadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

struct Result
{
    double bestCpuSeconds = 1e300;
    double bestWallSeconds = 1e300;
    qint64 bytes = -1;
    std::map<std::string, int> formats;
};

// Encodes every page once, decodes each file with Qt and with libpng and
// compares with the page; throws at the first difference. The encoding
// alone is timed, as a first round.
Result Verify(const Encoder &encoder, const PageSet &set, Scratch &scratch)
{
    Result result;
    result.bytes = 0;
    double cpuSeconds = 0;
    double wallSeconds = 0;
    for (std::size_t i = 0; i < set.pages.size(); ++i) {
        QElapsedTimer timer;
        timer.start();
        const double cpuStart = ThreadSeconds();
        const Encoded png = Encode(encoder, set.pages[i], scratch);
        cpuSeconds += ThreadSeconds() - cpuStart;
        wallSeconds += timer.nsecsElapsed() / 1e9;
        result.bytes += static_cast<qint64>(png.size);
        ++result.formats[FormatOf(png)];
        QString difference = QtDecodeDifference(set.pages[i], png);
        if (difference.isEmpty())
            difference = LibpngDecodeDifference(set.pages[i], png);
        if (!difference.isEmpty())
            throw LumoError(QStringLiteral("%1 %2 (%3) on %4, page %5: %6")
                                .arg(QString::fromStdString(LibraryName(encoder.method)),
                                     QString::fromStdString(PixelsName(encoder)),
                                     QString::fromStdString(SettingsName(encoder)),
                                     QString::fromStdString(set.name))
                                .arg(i)
                                .arg(difference));
    }
    result.bestCpuSeconds = cpuSeconds;
    result.bestWallSeconds = wallSeconds;
    return result;
}

// One timed pass over the set; the bytes must be those of the verified pass.
void TimeOnce(const Encoder &encoder, const PageSet &set, Scratch &scratch, Result &result)
{
    qint64 bytes = 0;
    QElapsedTimer timer;
    timer.start();
    const double cpuStart = ThreadSeconds();
    for (const QImage &page : set.pages)
        bytes += static_cast<qint64>(Encode(encoder, page, scratch).size);
    const double cpuSeconds = ThreadSeconds() - cpuStart;
    const double wallSeconds = timer.nsecsElapsed() / 1e9;
    if (bytes != result.bytes)
        throw LumoError(QStringLiteral("%1 on %2 wrote %3 bytes, then %4")
                            .arg(QString::fromStdString(SettingsName(encoder)), QString::fromStdString(set.name))
                            .arg(result.bytes)
                            .arg(bytes));
    result.bestCpuSeconds = std::min(result.bestCpuSeconds, cpuSeconds);
    result.bestWallSeconds = std::min(result.bestWallSeconds, wallSeconds);
}

std::string FormatsText(const std::map<std::string, int> &formats)
{
    std::string text;
    for (const auto &[format, count] : formats)
        text += (text.empty() ? "" : " ") + format + ":" + std::to_string(count);
    return text;
}

std::string Grouped(qint64 value)
{
    const std::string digits = std::to_string(value);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += ',';
        grouped += digits[i];
    }
    return grouped;
}

// ------------------------------------------------------------ reports

// How many colours the pages have, and what finding them costs.
void PrintColours(const PageSet &set)
{
    std::vector<int> counts;
    int over256 = 0;
    int allGrey = 0;
    IndexedPage indexed;
    for (const QImage &page : set.pages) {
        if (IndexPage<true>(page, Packing::Always8, indexed)) {
            counts.push_back(indexed.colours);
            allGrey += std::all_of(indexed.palette.begin(), indexed.palette.begin() + indexed.colours,
                                   [](QRgb rgb) { return qRed(rgb) == qGreen(rgb) && qGreen(rgb) == qBlue(rgb); });
        } else {
            ++over256;
        }
    }
    std::sort(counts.begin(), counts.end());
    const auto within = [&](int limit) {
        return std::upper_bound(counts.begin(), counts.end(), limit) - counts.begin();
    };
    std::printf("  colours: %td pages <= 2, %td <= 4, %td <= 16, %td <= 256, %d > 256; %d pages only grey",
                within(2), within(4), within(16), within(256), over256, allGrey);
    if (!counts.empty())
        std::printf("; min %d, median %d, max %d (of pages <= 256)", counts.front(), counts[counts.size() / 2],
                    counts.back());
    std::printf("\n");

    const auto time = [&](auto index) {
        double best = 1e300;
        for (int round = 0; round < 3; ++round) {
            const double start = ThreadSeconds();
            for (const QImage &page : set.pages)
                index(page);
            best = std::min(best, ThreadSeconds() - start);
        }
        return set.megapixels / best;
    };
    const double cached = time([&](const QImage &page) { IndexPage<true>(page, Packing::Always8, indexed); });
    const double hashOnly = time([&](const QImage &page) { IndexPage<false>(page, Packing::Always8, indexed); });
    const double packed = time([&](const QImage &page) { IndexPage<true>(page, Packing::Smallest, indexed); });
    std::printf("  finding the palette and writing 8-bit indices (processor time): %.0f Mpixel/s with the "
                "last-colour cache, %.0f Mpixel/s hash table only; cache and packing to 1/2/4 bits where "
                "possible %.0f Mpixel/s\n",
                cached, hashOnly, packed);
}

void PrintHeader()
{
    std::printf("  %-8s %-17s %-62s %-10s %8s %8s %13s %8s\n", "library", "pixels", "settings", "formats", "Mpx/s",
                "Mpx/s", "bytes", "vs");
    std::printf("  %-8s %-17s %-62s %-10s %8s %8s %13s %8s\n", "", "", "", "", "cpu", "wall", "", "today");
}

void PrintRow(const Encoder &encoder, const PageSet &set, const Result &result, qint64 todayBytes, double scale)
{
    const double vsToday = todayBytes > 0 ? double(result.bytes) / double(todayBytes) : 0.0;
    std::printf("  %-8s %-17s %-62s %-10s %8.1f %8.1f %13s %8.3f\n", LibraryName(encoder.method).c_str(),
                PixelsName(encoder).c_str(), SettingsName(encoder).c_str(), FormatsText(result.formats).c_str(),
                set.megapixels / result.bestCpuSeconds, set.megapixels / result.bestWallSeconds,
                Grouped(static_cast<qint64>(result.bytes * scale)).c_str(), vsToday);
    std::fflush(stdout);
}

// ------------------------------------------------------------ the runs

// libpng's messages must come back to the program and never reach standard
// error: two writes that libpng refuses (a picture 0 pixels wide, a palette
// index past the palette) run with standard error sent to a file, which must
// stay empty.
void CheckLibpngMessages()
{
    const QRgb palette[2] = {qRgb(255, 255, 255), qRgb(0, 0, 0)};
    const unsigned char indices[4] = {0, 1, 5, 0};
    const PngImage noWidth{0, 1, 8, ColourType::Indexed, palette, 2, indices, 4};
    const PngImage badIndex{4, 1, 8, ColourType::Indexed, palette, 2, indices, 4};

    std::vector<unsigned char> bytes;
    PngSink sink{&bytes, {}, {}};
    std::fflush(stderr);
    FILE *captured = std::tmpfile();
    const int savedStderr = dup(2);
    if (captured == nullptr || savedStderr < 0 || dup2(fileno(captured), 2) < 0)
        throw LumoError(QStringLiteral("cannot redirect standard error"));
    const bool wroteNoWidth = WriteWithLibpng(noWidth, {}, sink);
    const std::string noWidthError = sink.error;
    const std::string noWidthWarning = sink.warning;
    bytes.clear();
    const bool wroteBadIndex = WriteWithLibpng(badIndex, {}, sink);
    const std::string badIndexError = sink.error;
    std::fflush(stderr);
    dup2(savedStderr, 2);
    close(savedStderr);
    std::fseek(captured, 0, SEEK_END);
    const long printed = std::ftell(captured);
    std::fclose(captured);

    if (wroteNoWidth || wroteBadIndex || noWidthError.empty() || badIndexError.empty())
        throw LumoError(QStringLiteral("libpng wrote a picture it should have refused"));
    if (printed != 0)
        throw LumoError(QStringLiteral("libpng printed %1 bytes to standard error").arg(printed));
    std::printf("libpng's refusals come back as messages, nothing on standard error: \"%s\" (warning \"%s\"); "
                "\"%s\"\n",
                noWidthError.c_str(), noWidthWarning.c_str(), badIndexError.c_str());
}

std::vector<PageStyle> PageStyles()
{
    return {
        {"text", "the 1 MB text, 308 x 400 pages, Arial 8 pt, jitter 2/2, noise 5", 1 << 20},
        {"noise0", "the first 128 KiB, no noise", 128 << 10, 8, 0, clBlack, clWhite, 0},
        {"noise30", "the first 128 KiB, noise 30", 128 << 10, 8, 0, clBlack, clWhite, 30},
        {"italic12", "the first 128 KiB, Arial 12 pt italic", 128 << 10, 12, FontObject::fsItalic},
        // Colours are 0x00BBGGRR: dark blue characters on a light orange page.
        {"colour", "the first 128 KiB, dark blue on light orange", 128 << 10, 8, 0, 0x00802010, 0x0080C0FF},
        {"big", "one picture of 2000 x 3000, the first 16 KiB", 16 << 10, 8, 0, clBlack, clWhite, 5, 2000, 3000,
         true},
    };
}

std::vector<Encoder> ShortList()
{
    // The true-colour settings that write the smallest files of the fast
    // ones in the grid: a page of more than 256 colours is written so.
    const ZlibSettings rgb{Filter::None, 1, Z_DEFAULT_STRATEGY};
    const ZlibSettings rle{Filter::None, 1, Z_RLE};
    return {
        {Method::Today},
        {Method::QtTrueColour},
        {Method::QtTrueColour, {}, {}, Packing::Smallest, 80},
        {Method::QtIndexedConverted},
        {Method::QtIndexedConverted, {}, {}, Packing::Smallest, 80},
        {Method::QtIndexedBuilt, {}, {}, Packing::Smallest, 80},
        TrueColour(Method::LibpngTrueColour, {Filter::All, 6, Z_FILTERED}),
        TrueColour(Method::LibpngTrueColour, rgb),
        TrueColour(Method::SpngTrueColour, rgb),
        Palette(Method::LibpngPalette, {Filter::None, 6, Z_DEFAULT_STRATEGY}, rgb),
        Palette(Method::LibpngPalette, {Filter::None, 2, Z_DEFAULT_STRATEGY}, rgb),
        Palette(Method::LibpngPalette, {Filter::None, 1, Z_DEFAULT_STRATEGY}, rgb),
        Palette(Method::LibpngPalette, rle, rgb, Packing::Always8),
        Palette(Method::LibpngPalette, rle, rgb),
        Palette(Method::LibpngGrey, rle, rgb),
        Palette(Method::SpngPalette, {Filter::None, 1, Z_DEFAULT_STRATEGY}, rgb),
        Palette(Method::SpngPalette, rle, rgb),
        Palette(Method::SpngGrey, rle, rgb),
    };
}

std::vector<Encoder> Grid()
{
    std::vector<Encoder> encoders;
    for (const Method method : {Method::LibpngPalette, Method::SpngPalette, Method::LibpngGrey,
                                Method::SpngGrey, Method::LibpngTrueColour, Method::SpngTrueColour})
        for (const Filter filter : {Filter::None, Filter::Sub, Filter::Up, Filter::Paeth, Filter::All})
            for (const int strategy : {Z_DEFAULT_STRATEGY, Z_RLE, Z_FILTERED})
                for (const int level : {1, 2, 3, 6, 9}) {
                    const ZlibSettings zlib{filter, level, strategy};
                    encoders.push_back(IsPalette(method) ? Palette(method, zlib, zlib) : TrueColour(method, zlib));
                }
    return encoders;
}

// Measures every encoder on every set: one checked pass each, then rounds
// in which the encoders take turns, so that a disturbance of the machine
// falls on all of them alike; the best pass counts.
void Measure(const std::vector<Encoder> &encoders, const std::vector<PageSet> &sets, int rounds)
{
    Scratch scratch;
    std::vector<std::vector<Result>> results(sets.size(), std::vector<Result>(encoders.size()));
    for (std::size_t s = 0; s < sets.size(); ++s)
        for (std::size_t e = 0; e < encoders.size(); ++e)
            results[s][e] = Verify(encoders[e], sets[s], scratch);
    std::printf("\nevery file of every encoder decodes to its page's pixels (Qt and libpng)\n"
                "Mpx/s: megapixels encoded to memory a second, the best of %d passes, by the encoding thread's "
                "processor time (cpu) and by the clock (wall); palette figures include finding the palette\n",
                rounds + 1);
    for (int round = 0; round < rounds; ++round)
        for (std::size_t k = 0; k < encoders.size(); ++k) {
            const std::size_t e = (k + round * encoders.size() / std::max(rounds, 1)) % encoders.size();
            for (std::size_t s = 0; s < sets.size(); ++s)
                TimeOnce(encoders[e], sets[s], scratch, results[s][e]);
        }

    const Encoder today{Method::Today};
    for (std::size_t s = 0; s < sets.size(); ++s) {
        qint64 todayBytes = -1;
        for (std::size_t e = 0; e < encoders.size(); ++e)
            if (encoders[e].method == Method::Today)
                todayBytes = results[s][e].bytes;
        if (todayBytes < 0)
            todayBytes = Verify(today, sets[s], scratch).bytes;
        const double scale = sets[s].bytesScale;
        std::printf("\n%s: %zu pictures, %.1f Mpixel; today's bytes %s%s\n", sets[s].name.c_str(),
                    sets[s].pages.size(), sets[s].megapixels, Grouped(static_cast<qint64>(todayBytes * scale)).c_str(),
                    scale != 1.0 ? " (bytes scaled to all pages)" : "");
        PrintHeader();
        for (std::size_t e = 0; e < encoders.size(); ++e)
            PrintRow(encoders[e], sets[s], results[s][e], todayBytes, scale);
    }
}

int Run(const QStringList &args)
{
    const bool grid = args.contains(QStringLiteral("grid"));
    int rounds = grid ? 0 : 2;
    int every = grid ? 16 : 1;
    for (qsizetype i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QStringLiteral("--rounds"))
            rounds = std::max(0, args[i + 1].toInt());
        if (args[i] == QStringLiteral("--every"))
            every = std::max(1, args[i + 1].toInt());
    }

    CheckLibpngMessages();
    const QByteArray text = BenchText(1 << 20);
    PictureStack stack;
    std::vector<PageSet> sets;
    for (const PageStyle &style : PageStyles()) {
        if (grid && sets.size() == 1)
            break;
        QElapsedTimer timer;
        timer.start();
        sets.push_back(Render(style, text, stack));
        const PageSet &set = sets.back();
        std::printf("%s: %s: %zu pictures of %d x %d, %.1f Mpixel, drawn in %.2f s\n", set.name.c_str(),
                    set.description.c_str(), set.pages.size(), set.pages.front().width(), set.pages.front().height(),
                    set.megapixels, timer.nsecsElapsed() / 1e9);
        PrintColours(set);
        std::fflush(stdout);
    }
    if (!grid) {
        const PageSet empty = Render({"empty", "", 0}, text, stack);
        sets.push_back(RareWays(sets.front().pages.front(), empty.pages.front()));
        std::printf("%s: %s\n", sets.back().name.c_str(), sets.back().description.c_str());
        PrintColours(sets.back());
    }

    if (every > 1) {
        PageSet &text = sets.front();
        const std::size_t all = text.pages.size();
        std::vector<QImage> sample;
        for (std::size_t i = 0; i < all; i += every)
            sample.push_back(text.pages[i]);
        text.pages = std::move(sample);
        text.bytesScale = double(all) / double(text.pages.size());
        text.megapixels = 0;
        for (const QImage &page : text.pages)
            text.megapixels += page.width() * double(page.height()) / 1e6;
        text.name += " (every " + std::to_string(every) + "th page)";
    }
    Measure(grid ? Grid() : ShortList(), sets, rounds);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    try {
        return Run(app.arguments());
    } catch (const LumoError &error) {
        std::fprintf(stderr, "bench_png: %s\n", error.what());
        return 1;
    }
}
