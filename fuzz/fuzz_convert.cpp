// A conversion driven by the input: the page size, one picture or pages,
// the colours, HoVar, VeVar and Rausch (negative and huge ones too), the
// font's size, style, pitch and charset and the seed come from the input's
// end, the text from the rest. The conversion runs twice on the headless
// picture owner and must:
//  - lay out as the rules do: replaying them with the font's advance widths
//    gives the number of pages (page mode) or the final height (one picture);
//  - draw as many random numbers as the rules draw, so the generator ends
//    on the seed the rules predict;
//  - give every page the first page's size, its bitmap that size, and Tops
//    H, 2H, ...; in one-picture mode a bitmap as high as the picture;
//  - give identical pixels for the same seed;
//  - give the pixels of the plain conversion in tests/PlainReference.h
//    (one text call a character), where that one's plain int arithmetic
//    does not overflow;
//  - end within a time proportional to the text and the pixels.

#include "FuzzSupport.h"

#include "ImageCompare.h"
#include "PlainReference.h"

#include "ConvertText.h"
#include "LumoRandom.h"
#include "PictureStack.h"
#include "RenderSettings.h"

#include <QGuiApplication>
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

constexpr std::uint32_t Multiplier = 134775813u;

// Runs with much noise or many pixels are skipped: they cost many times a
// small run and reach no code a small one does not.
constexpr std::int64_t MaxNoiseDraws = 4'000'000;
constexpr std::int64_t MaxPixels = 2'000'000;
constexpr qsizetype MaxText = 512;

std::int32_t wrapped(std::int64_t value)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(value)));
}

// The generator advanced by count steps, by composing its affine step.
std::uint32_t advanced(std::uint32_t seed, std::uint64_t count)
{
    std::uint32_t mul = Multiplier;
    std::uint32_t add = 1;
    while (count > 0) {
        if (count & 1)
            seed = seed * mul + add;
        add = add * mul + add;
        mul = mul * mul;
        count >>= 1;
    }
    return seed;
}

// A jitter amplitude or noise level: mostly what the windows allow, often a
// little negative, sometimes any 32-bit value.
std::int32_t variation(FuzzedDataProvider &input, std::int32_t usual)
{
    switch (input.ConsumeIntegralInRange(0, 3)) {
    case 0:
        return input.ConsumeIntegralInRange<std::int32_t>(0, usual);
    case 1:
        return input.ConsumeIntegralInRange<std::int32_t>(-3, -1);
    case 2:
        return input.PickValueInArray<std::int32_t>({INT32_MIN, INT32_MIN + 1, INT32_MAX, 1 << 30, 1 << 16, 35791});
    default:
        return input.ConsumeIntegral<std::int32_t>();
    }
}

// A page side: up to 600 pixels, mostly up to 150, since a large page
// costs many times the time of a small one and finds little more.
std::int32_t side(FuzzedDataProvider &input)
{
    return input.ConsumeIntegralInRange(0, 3) == 0 ? input.ConsumeIntegralInRange(1, 600)
                                                   : input.ConsumeIntegralInRange(1, 150);
}

struct Setup
{
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool onePicture = false;
    std::uint32_t seed = 0;
    QByteArray text;
};

// The layout rules replayed with the font's widths: how many pages, how
// high the single picture, how many characters drawn.
struct Layout
{
    std::int64_t pages = 1;
    std::int32_t finalHeight = 0;
    std::int64_t drawn = 0;
};

bool isSkipped(unsigned char c)
{
    return c == 0 || c == 10 || c == 13 || c == 20;
}

Layout layout(const Setup &setup, const std::int32_t (&widths)[256], std::int32_t h)
{
    const std::int32_t half = h / 2;
    const std::int32_t lineStep = 4 * h / 3;
    std::int64_t x = half;
    std::int64_t y = half;
    Layout result;
    result.finalHeight = setup.height;
    for (const char byte : setup.text) {
        const auto c = static_cast<unsigned char>(byte);
        if (!isSkipped(c)) {
            if (result.finalHeight - lineStep < y) {
                if (setup.onePicture) {
                    result.finalHeight += h;
                } else {
                    ++result.pages;
                    x = half;
                    y = half;
                }
            }
            x += widths[c];
            ++result.drawn;
        }
        if (c == 13 || setup.width - h < x) {
            x = half;
            y += lineStep;
        }
    }
    return result;
}

// (((Width x Height) div 30) div 2) x Rausch in 32-bit arithmetic.
std::int32_t noiseCount(std::int32_t width, std::int32_t height)
{
    return wrapped(static_cast<std::int64_t>(wrapped(static_cast<std::int64_t>(width) * height) / 30 / 2) * Rausch);
}

std::uint64_t pixelHash(const QImage &image)
{
    std::uint64_t hash = 1469598103934665603ull;
    for (int y = 0; y < image.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            hash = (hash ^ row[x]) * 1099511628211ull;
    }
    return hash;
}

double cpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

class Conversion
{
public:
    Conversion(const Setup &setup, PictureStack &stack) : m_setup(setup), m_stack(stack) {}

    QByteArray context() const
    {
        return "text " + Escaped(m_setup.text) + ", page " + QByteArray::number(m_setup.width) + "x"
               + QByteArray::number(m_setup.height) + (m_setup.onePicture ? " one picture" : " pages") + ", BGColor "
               + QByteArray::number(quint32(BGColor), 16) + ", font colour "
               + QByteArray::number(quint32(SetupFont->Color()), 16) + " size " + QByteArray::number(SetupFont->Size())
               + " pt pitch " + QByteArray::number(SetupFont->Pitch()) + " style " + QByteArray::number(SetupFont->Style())
               + " charset " + QByteArray::number(SetupFont->Charset()) + ", HoVar " + QByteArray::number(HoVar)
               + " VeVar " + QByteArray::number(VeVar) + " Rausch " + QByteArray::number(Rausch) + ", seed "
               + QByteArray::number(m_setup.seed);
    }

    // Runs once; returns the hashes of the pictures' pixels.
    std::vector<std::uint64_t> Run(const Layout &expected, std::uint64_t draws)
    {
        PictureControl &first = m_stack.First();
        first.ClearPicture();
        first.SetBounds(0, 0, m_setup.width, m_setup.height);
        ConvertOptions options;
        options.seed = m_setup.seed;
        ConvertText(m_setup.text, first, m_stack, m_setup.onePicture, options);

        FUZZ_CHECK(!ImageList.empty() && ImageList.front() == &first, "first picture left ImageList; " + context());
        FUZZ_CHECK(RandSeed == advanced(m_setup.seed, draws),
                   "the generator did not draw " + QByteArray::number(qulonglong(draws)) + " numbers; " + context());
        if (m_setup.onePicture) {
            FUZZ_CHECK(ImageList.size() == 1, "pages in one-picture mode; " + context());
            FUZZ_CHECK(first.Height() == expected.finalHeight,
                       "height " + QByteArray::number(first.Height()) + ", rules "
                           + QByteArray::number(expected.finalHeight) + "; " + context());
            FUZZ_CHECK(first.BitmapWidth() == m_setup.width && first.BitmapHeight() == first.Height(),
                       "bitmap " + QByteArray::number(first.BitmapWidth()) + "x"
                           + QByteArray::number(first.BitmapHeight()) + "; " + context());
        } else {
            FUZZ_CHECK(static_cast<std::int64_t>(ImageList.size()) == expected.pages,
                       QByteArray::number(qulonglong(ImageList.size())) + " pages, rules "
                           + QByteArray::number(expected.pages) + "; " + context());
            for (std::size_t i = 0; i < ImageList.size(); ++i) {
                const PictureControl &page = *ImageList[i];
                const auto about = [&] {
                    return "page " + QByteArray::number(qulonglong(i)) + " at " + QByteArray::number(page.Left()) + ","
                           + QByteArray::number(page.Top()) + " size " + QByteArray::number(page.Width()) + "x"
                           + QByteArray::number(page.Height()) + " bitmap " + QByteArray::number(page.BitmapWidth())
                           + "x" + QByteArray::number(page.BitmapHeight()) + "; " + context();
                };
                FUZZ_CHECK(page.Width() == m_setup.width && page.Height() == m_setup.height, about());
                FUZZ_CHECK(page.BitmapWidth() == m_setup.width && page.BitmapHeight() == m_setup.height, about());
                FUZZ_CHECK(page.Left() == 0 && page.Top() == static_cast<std::int64_t>(i) * m_setup.height, about());
            }
        }
        std::vector<std::uint64_t> hashes;
        for (const PictureControl *picture : ImageList)
            hashes.push_back(pixelHash(picture->Picture()));
        return hashes;
    }

private:
    Setup m_setup;
    PictureStack &m_stack;
};

// The plain conversion works in int without wrapping and copies the whole
// growing picture at every step: it is asked only where neither overflows
// nor takes long.
bool plainConversionApplies(const Setup &setup, const Layout &expected, std::int32_t h)
{
    const auto small = [](std::int32_t amplitude) { return amplitude >= 0 && amplitude <= (1 << 16); };
    if (!small(HoVar) || !small(VeVar))
        return false;
    const std::int32_t pictureHeight = setup.onePicture ? expected.finalHeight : setup.height;
    const std::int64_t noise = static_cast<std::int64_t>(setup.width) * pictureHeight / 30 / 2 * Rausch;
    if (noise < INT32_MIN || noise > INT32_MAX)
        return false;
    const std::int64_t growths = h > 0 ? (expected.finalHeight - setup.height) / h : 0;
    return growths * setup.width * expected.finalHeight <= 20'000'000;
}

void compareWithPlain(const Setup &setup, const Conversion &conversion)
{
    const std::vector<PlainPage> plain = PlainConvert(setup.text, setup.width, setup.height, setup.onePicture, setup.seed);
    FUZZ_CHECK(ImageList.size() == plain.size(), QByteArray::number(qulonglong(ImageList.size())) + " pictures, plain "
                                                      + QByteArray::number(qulonglong(plain.size())) + "; "
                                                      + conversion.context());
    for (std::size_t i = 0; i < plain.size(); ++i) {
        const QString difference = ImageDifference(ImageList[i]->Picture(), plain[i].image);
        FUZZ_CHECK(difference.isEmpty() && ImageList[i]->Top() == plain[i].top,
                   "picture " + QByteArray::number(qulonglong(i)) + " at top " + QByteArray::number(ImageList[i]->Top())
                       + " differs from the plain conversion (top " + QByteArray::number(plain[i].top)
                       + "): " + difference.toUtf8() + "; " + conversion.context());
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt keeps argc by reference and may take options out of argv: it gets
    // its own, so libFuzzer's flags stay as they are.
    static int argc = 1;
    static char name[] = "fuzz_convert";
    static char *argv[] = {name, nullptr};
    static QGuiApplication application(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    Setup setup;
    setup.width = side(input);
    setup.height = side(input);
    setup.onePicture = input.ConsumeBool();
    setup.seed = input.ConsumeIntegral<std::uint32_t>();

    ResetRenderSettings();
    BGColor = input.ConsumeBool() ? input.ConsumeIntegral<std::int32_t>() : clWhite;
    HoVar = variation(input, 10);
    VeVar = variation(input, 10);
    Rausch = variation(input, 30);
    FontObject &font = *SetupFont;
    font.SetName(QStringLiteral("Arial"));
    font.SetSize(input.ConsumeIntegralInRange(0, 60));
    font.SetStyle(input.ConsumeIntegralInRange(0, 15));
    font.SetPitch(input.ConsumeIntegralInRange(0, 2));
    font.SetCharset(input.ConsumeIntegral<std::uint8_t>());
    font.SetColor(input.ConsumeBool() ? input.ConsumeIntegral<std::int32_t>() : clBlack);
    const std::string rest = input.ConsumeRemainingBytesAsString();
    setup.text = QByteArray(rest.data(), static_cast<qsizetype>(std::min<std::size_t>(rest.size(), MaxText)));

    // The advance widths of the font, measured on a Canvas: the conversion
    // must place its characters by the same widths.
    std::int32_t widths[256];
    {
        Canvas probe(1, 1);
        probe.BrushColor = BGColor;
        probe.Font = font;
        for (int c = 0; c < 256; ++c)
            widths[c] = probe.TextWidth(QByteArray(1, static_cast<char>(c)));
    }
    const std::int32_t h = std::abs(font.Height());
    const Layout expected = layout(setup, widths, h);

    // Two draws a drawn character, two more for each new page's first
    // character, and the noise: two draws a pixel, n + 1 pixels in each of
    // two colours when n is not negative.
    const std::int64_t pictures = setup.onePicture ? 1 : expected.pages;
    const std::int32_t pictureHeight = setup.onePicture ? expected.finalHeight : setup.height;
    const std::int32_t n = noiseCount(setup.width, pictureHeight);
    const std::int64_t pixels = pictures * setup.width * pictureHeight;
    const std::int64_t noiseDraws = n >= 0 ? pictures * 4 * (static_cast<std::int64_t>(n) + 1) : 0;
    if (pixels > MaxPixels || noiseDraws > MaxNoiseDraws)
        return 0;
    const auto draws = static_cast<std::uint64_t>(2 * expected.drawn + 2 * (pictures - 1) + noiseDraws);

    PictureStack stack;
    Conversion conversion(setup, stack);
    const std::vector<std::uint64_t> once = conversion.Run(expected, draws);
    if (plainConversionApplies(setup, expected, h))
        compareWithPlain(setup, conversion);

    // The second run reuses the glyph caches the first one filled, so its
    // time is the conversion's own: a budget per character drawn, per pixel
    // and per random draw, with room for a slow machine and the sanitizers.
    const double start = cpuSeconds();
    const std::vector<std::uint64_t> twice = conversion.Run(expected, draws);
    const double seconds = cpuSeconds() - start;
    FUZZ_CHECK(once == twice, "the same seed gave different pixels; " + conversion.context());

    const double cellPixels = static_cast<double>(h + 32) * (h + 32);
    const double budget = 0.05 + static_cast<double>(expected.drawn) * (20e-6 + cellPixels * 50e-9)
                          + static_cast<double>(pixels) * 50e-9 + static_cast<double>(noiseDraws) * 50e-9;
    FUZZ_CHECK(seconds < 10 * budget, "conversion took " + QByteArray::number(seconds) + " s, budget "
                                          + QByteArray::number(budget) + " s; " + conversion.context());
    return 0;
}
