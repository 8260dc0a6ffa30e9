#include "RenderJob.h"

#include "WrapInt.h"


GlyphCellsTooLarge::GlyphCellsTooLarge(std::size_t characters, std::size_t budget)
    : LumoError(QStringLiteral("the glyphs of the text's first %1 different characters take more than %2 MiB: "
                               "too many different characters for one run")
                    .arg(characters)
                    .arg(budget >> 20))
{
}

RenderJob RenderJob::From(const CharacterText &text, const RenderValues &values, const LumoRect &first,
                          bool onePicture, std::uint32_t seed, std::size_t glyphBudget)
{
    RenderJob job;
    job.font = values.font;
    job.background = ColourToRgb(values.background);
    job.foreground = ColourToRgb(values.font.Color());
    job.hoVar = values.hoVar;
    job.veVar = values.veVar;
    job.rausch = values.rausch;
    job.h = Wrap::Abs(job.font.Height());
    job.half = job.h / 2;
    job.lineStep = Wrap::Mul(4, job.h) / 3;
    job.left = first.Left;
    job.top = first.Top;
    job.width = Wrap::Sub(first.Right, first.Left);
    job.height = Wrap::Sub(first.Bottom, first.Top);
    job.onePicture = onePicture;
    job.seed = seed;

    // Every cell the text needs is rendered here, on this thread; the
    // workers only read them.
    job.glyphs = GlyphCache::For(job.font, job.background);
    std::vector<bool> used(text.CodeCount());
    text.ForEachCode([&used](CharCode code) { used[code] = true; });
    // An 8-bit text in the font's own code page takes the byte cells the
    // windows draw with; any other character is looked up by its text.
    const bool fontBytes = text.CodePage() == &job.glyphs->CodePage();
    job.cells.assign(text.CodeCount(), nullptr);
    std::size_t bytes = 0;
    std::size_t characters = 0;
    for (CharCode code = 0; code < text.CodeCount(); ++code) {
        if (!used[code])
            continue;
        const GlyphCache::Cell &cell = fontBytes ? job.glyphs->CellOf(static_cast<unsigned char>(code))
                                                 : job.glyphs->CellOf(text.TextOf(code));
        job.cells[code] = &cell;
        ++characters;
        bytes += sizeof cell + cell.pixels.size() * sizeof(QRgb) + cell.ink.size() * sizeof(QPoint)
               + static_cast<std::size_t>(cell.text.size()) * sizeof(QChar);
        if (bytes > glyphBudget)
            throw GlyphCellsTooLarge(characters, glyphBudget);
    }
    return job;
}

LumoRect RenderJob::FirstBounds() const
{
    return {left, top, Wrap::Add(left, width), Wrap::Add(top, height)};
}

LumoRect RenderJob::PageBounds(std::int64_t page) const
{
    // Each page sits directly below the one before it.
    const auto pageTop = Wrap::Add(top, static_cast<std::int32_t>(static_cast<std::uint32_t>(page)
                                                                  * static_cast<std::uint32_t>(height)));
    return {left, pageTop, Wrap::Add(left, width), Wrap::Add(pageTop, height)};
}

std::int64_t RenderJob::NoisePixels(std::int32_t pictureHeight) const
{
    const std::int32_t n = Wrap::Mul(Wrap::Div(Wrap::Div(Wrap::Mul(width, pictureHeight), 30), 2), rausch);
    return n < 0 ? 0 : std::int64_t(n) + 1;
}

std::uint64_t RenderJob::NoiseSteps(std::int32_t pictureHeight) const
{
    // Two colours, each pixel drawn from two numbers.
    return 4 * static_cast<std::uint64_t>(NoisePixels(pictureHeight));
}
