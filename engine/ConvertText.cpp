#include "ConvertText.h"

#include "LumoRandom.h"
#include "RenderSettings.h"
#include "WrapInt.h"

#include <vector>

namespace {

// Code 20 (decimal) is skipped like the line-end codes; the space is drawn.
bool isSkipped(unsigned char c)
{
    return c == 0 || c == 10 || c == 13 || c == 20;
}

void prepare(Canvas &canvas)
{
    canvas.BrushColor = BGColor;
    canvas.Font = *SetupFont;
}

} // namespace

QPoint JitterPos(std::int32_t x, std::int32_t y)
{
    const std::int32_t jitterY = Wrap::Sub(Random(Wrap::Mul(2, VeVar)), VeVar);
    const std::int32_t newY = Wrap::Add(y, jitterY);
    const std::int32_t jitterX = Wrap::Sub(Random(Wrap::Mul(2, HoVar)), HoVar);
    const std::int32_t newX = Wrap::Add(x, jitterX);
    return QPoint(newX, newY);
}

namespace {

constexpr std::uint32_t kMultiplier = 134775813u;

// Draws count noise positions from the generator (row first, then column,
// as Random(Height) and Random(Width) would) and hands each one inside the
// bitmap to put as an offset into its pixels. Returns the seed after them.
// Both seeds of a pair are derived from the one before it (the second by
// the generator's two-step jump), so the serial chain is one multiply a
// position, not two.
template <typename Put>
std::uint32_t drawPositions(std::uint32_t seed, std::int64_t count, std::int32_t width, std::int32_t height,
                            const Bitmap &bitmap, Put put)
{
    constexpr std::uint32_t a2 = kMultiplier * kMultiplier;
    constexpr std::uint32_t c2 = kMultiplier + 1u;
    const std::uint64_t rows = static_cast<std::uint32_t>(height);
    const std::uint64_t columns = static_cast<std::uint32_t>(width);
    const auto bitmapWidth = static_cast<std::uint32_t>(bitmap.Width());
    const auto bitmapHeight = static_cast<std::uint32_t>(bitmap.Height());
    for (std::int64_t i = 0; i < count; ++i) {
        const std::uint32_t first = seed * kMultiplier + 1u;
        const std::uint32_t second = seed * a2 + c2;
        seed = second;
        // Negative results are huge as unsigned and fail the bounds test.
        const auto y = static_cast<std::uint32_t>((rows * first) >> 32);
        const auto x = static_cast<std::uint32_t>((columns * second) >> 32);
        if (x < bitmapWidth && y < bitmapHeight)
            put(static_cast<std::size_t>(y) * bitmapWidth + x);
    }
    return seed;
}

// A page was drawn long ago and has left the cache; one pass in order brings
// it back at streaming speed, so the scattered writes hit the cache instead
// of each waiting for memory.
void bringIntoCache(const QRgb *pixels, std::size_t count)
{
    QRgb touched = 0;
    for (std::size_t i = 0; i < count; i += 64 / sizeof(QRgb))
        touched |= pixels[i];
    asm volatile("" : : "r"(touched));
}

// A picture far larger than the cache (one growing picture) would make
// every scattered write wait for memory. Positions are drawn some way ahead
// of their writes and fetched meanwhile, so many wait at once.
class PrefetchingWriter
{
public:
    PrefetchingWriter(QRgb *pixels, QRgb rgb) : m_pixels(pixels), m_rgb(rgb) {}
    ~PrefetchingWriter()
    {
        for (std::size_t i = 0; i < m_filled; ++i)
            m_pixels[m_ahead[(m_next + i) % Distance]] = m_rgb;
    }
    PrefetchingWriter(const PrefetchingWriter &) = delete;
    PrefetchingWriter &operator=(const PrefetchingWriter &) = delete;

    void Put(std::size_t offset)
    {
        __builtin_prefetch(m_pixels + offset, 1, 0);
        if (m_filled == Distance) {
            m_pixels[m_ahead[m_next]] = m_rgb;
            m_ahead[m_next] = offset;
            m_next = (m_next + 1) % Distance;
        } else {
            m_ahead[(m_next + m_filled++) % Distance] = offset;
        }
    }

private:
    static constexpr std::size_t Distance = 32;

    QRgb *m_pixels;
    QRgb m_rgb;
    std::size_t m_ahead[Distance] = {};
    std::size_t m_next = 0;
    std::size_t m_filled = 0;
};

} // namespace

void AddNoise(PictureControl &picture)
{
    const std::int32_t width = picture.Width();
    const std::int32_t height = picture.Height();
    const std::int32_t n = Wrap::Mul(Wrap::Div(Wrap::Div(Wrap::Mul(width, height), 30), 2), Rausch);
    if (n < 0)
        return;
    Bitmap &bitmap = picture.GetCanvas().bitmap();
    bitmap.Materialize();
    const auto count = static_cast<std::int64_t>(n) + 1;
    const QRgb colours[2] = {ColourToRgb(BGColor), ColourToRgb(SetupFont->Color())};
    const std::size_t pixelCount = static_cast<std::size_t>(bitmap.Width()) * bitmap.Height();
    // Held in a local: the pixel stores could otherwise alias the bitmap's
    // own fields and force them to be read again for every pixel.
    QRgb *const pixels = pixelCount > 0 ? bitmap.Row(0) : nullptr;
    constexpr std::size_t cacheablePixels = (std::size_t(1) << 20) / sizeof(QRgb);

    std::uint32_t seed = RandSeed;
    if (pixelCount <= 4 * cacheablePixels) {
        if (pixelCount <= cacheablePixels)
            bringIntoCache(pixels, pixelCount);
        for (const QRgb rgb : colours)
            seed = drawPositions(seed, count, width, height, bitmap, [pixels, rgb](std::size_t at) { pixels[at] = rgb; });
    } else {
        for (const QRgb rgb : colours) {
            PrefetchingWriter writer(pixels, rgb);
            seed = drawPositions(seed, count, width, height, bitmap, [&writer](std::size_t at) { writer.Put(at); });
        }
    }
    RandSeed = seed;
}

void ConvertText(const QByteArray &text, PictureControl &firstPicture, PictureOwner &owner, bool onePicture,
                 const ConvertOptions &options)
{
    if (options.seed)
        RandSeed = *options.seed;
    else
        Randomize();

    for (std::size_t i = ImageList.size(); i-- > 1;) {
        PictureControl *old = ImageList[i];
        ImageList.erase(ImageList.begin() + static_cast<std::ptrdiff_t>(i));
        owner.DestroyPicture(old);
    }

    PictureControl *cur = &firstPicture;
    {
        Canvas &canvas = cur->GetCanvas();
        prepare(canvas);
        canvas.FillRect(cur->BoundsRect());
    }

    const std::int32_t h = Wrap::Abs(cur->GetCanvas().Font.Height());
    const std::int32_t half = h / 2;
    const std::int32_t lineStep = Wrap::Mul(4, h) / 3;
    std::int32_t x = half;
    std::int32_t y = half;

    const qsizetype total = text.size();
    for (qsizetype index = 0; index < total; ++index) {
        const auto c = static_cast<unsigned char>(text[index]);
        if (!isSkipped(c)) {
            QPoint p = JitterPos(x, y);
            if (Wrap::Sub(cur->Height(), lineStep) < y) {
                if (onePicture) {
                    cur->SetHeight(Wrap::Add(cur->Height(), h));
                    cur->GetCanvas().SetBitmapHeight(cur->Height());
                } else {
                    const std::int32_t nextTop = Wrap::Add(cur->Top(), cur->Height());
                    cur = owner.CreatePicture();
                    ImageList.push_back(cur);
                    cur->SetBounds(firstPicture.Left(), firstPicture.Top(), firstPicture.Width(),
                                   firstPicture.Height());
                    Canvas &canvas = cur->GetCanvas();
                    prepare(canvas);
                    canvas.FillRect(cur->BoundsRect());
                    canvas.PenStyle = PenMode::Dot;
                    canvas.PenColor = SetupFont->Color();
                    canvas.LineTo(cur->Width(), 0);
                    x = half;
                    y = half;
                    p = JitterPos(x, y);
                    cur->SetTop(nextTop);
                    prepare(canvas);
                    canvas.FillRect(cur->BoundsRect());
                }
            }
            Canvas &canvas = cur->GetCanvas();
            canvas.TextOutChar(p.x(), p.y(), c);
            x = Wrap::Add(x, canvas.CharWidth(c));
        }
        if (c == 13 || Wrap::Sub(cur->Width(), h) < x) {
            x = half;
            y = Wrap::Add(y, lineStep);
        }
        if (options.progress && (index & 0xFFFF) == 0xFFFF)
            options.progress(index + 1, total, static_cast<qsizetype>(ImageList.size()));
    }

    for (PictureControl *picture : ImageList)
        AddNoise(*picture);
    if (options.progress)
        options.progress(total, total, static_cast<qsizetype>(ImageList.size()));
}
