#include "PageDrawing.h"

#include "GlyphPainter.h"
#include "PageEffects.h"
#include "PageTruth.h"

#include <algorithm>
#include <optional>

namespace {

const QRgb White = qRgb(255, 255, 255);

// Paints the rectangle (right and bottom exclusive) where it lies on the
// buffer's rows in use.
void fillRect(PixelBuffer &buffer, const LumoRect &rect, QRgb rgb)
{
    const std::int64_t left = std::max<std::int64_t>(rect.Left, 0);
    const std::int64_t top = std::max<std::int64_t>(rect.Top, 0);
    const std::int64_t right = std::min<std::int64_t>(rect.Right, buffer.Width());
    const std::int64_t bottom = std::min<std::int64_t>(rect.Bottom, std::max(buffer.Height(), 0));
    if (left >= right || top >= bottom)
        return;
    if (left == 0 && right == buffer.Width()) {
        std::fill(buffer.Row(static_cast<std::int32_t>(top)), buffer.Row(static_cast<std::int32_t>(bottom)), rgb);
        return;
    }
    for (std::int64_t y = top; y < bottom; ++y) {
        QRgb *row = buffer.Row(static_cast<std::int32_t>(y));
        std::fill(row + left, row + right, rgb);
    }
}

bool covers(const LumoRect &rect, const PixelBuffer &buffer)
{
    return rect.Left <= 0 && rect.Top <= 0 && rect.Right >= buffer.Width() && rect.Bottom >= buffer.Height();
}

// count positions of each colour from the generator (row first, then
// column, as Random(Height) and Random(Width) give them), set where they
// fall inside the buffer. Both seeds of a pair are derived from the one
// before it (the second by the generator's two-step jump), so the serial
// chain is one multiply a position, not two.
void addNoise(PixelBuffer &buffer, std::uint32_t seed, std::int64_t count, std::int32_t width, std::int32_t height,
              QRgb background, QRgb foreground)
{
    constexpr std::uint32_t a = 134775813u;
    constexpr std::uint32_t a2 = a * a;
    constexpr std::uint32_t c2 = a + 1u;
    const std::uint64_t rows = static_cast<std::uint32_t>(height);
    const std::uint64_t columns = static_cast<std::uint32_t>(width);
    const auto bufferWidth = static_cast<std::uint32_t>(buffer.Width());
    const auto bufferHeight = static_cast<std::uint32_t>(std::max(buffer.Height(), 0));
    QRgb *const pixels = buffer.Pixels();
    for (const QRgb rgb : {background, foreground}) {
        for (std::int64_t i = 0; i < count; ++i) {
            const std::uint32_t first = seed * a + 1u;
            const std::uint32_t second = seed * a2 + c2;
            seed = second;
            // Negative results are huge as unsigned and fail the bounds test.
            const auto y = static_cast<std::uint32_t>((rows * first) >> 32);
            const auto x = static_cast<std::uint32_t>((columns * second) >> 32);
            if (x < bufferWidth && y < bufferHeight)
                pixels[static_cast<std::size_t>(y) * bufferWidth + x] = rgb;
        }
    }
}

// The page effects in their order, on the rows in use; the owners move with
// the pixels. When no effect after the move moves owners, their boxes are
// taken as it makes them, into `owned`, and true is returned; otherwise
// the map holds them.
bool applyPageLook(PixelBuffer &buffer, const RenderJob &job, std::int64_t pageIndex, const PageGeometry &geometry,
                   OwnerMap *owners, OwnerBoxes *owned)
{
    QImage picture = buffer.InUse().copy();
    if (picture.isNull())
        return false;
    const PageLook &look = job.page;
    const bool boxesTaken = owners && look.Geometric() && look.inkWeight == 0;
    if (look.Geometric())
        MovePixels(picture, geometry, job.background, owners, boxesTaken ? owned : nullptr);
    ChangeInkWeight(picture, look.inkWeight, job.background, owners);
    if (look.scans)
        LayPaperScan(picture, *look.scans, job.seed, pageIndex);
    else if (look.paper)
        LayPaper(picture, job.background, job.seed, pageIndex);
    Blur(picture, look.blur);
    AddSensorNoise(picture, look.sensorNoise, job.seed, pageIndex);
    for (int y = 0; y < picture.height(); ++y) {
        const auto *from = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
        std::copy(from, from + picture.width(), buffer.Row(y));
    }
    return boxesTaken;
}

} // namespace

void DrawPage(const TextWindow &text, const RenderJob &job, const PagePlan &page, std::int64_t pageIndex,
              PixelBuffer &buffer, PageTruth *truth)
{
    const std::int32_t width = std::max(job.width, 0);
    const std::int32_t height = std::max(job.height, 0);
    const std::int32_t rows = job.onePicture ? std::max(page.tallest, height) : height;
    if (buffer.Width() != width || buffer.Rows() != rows)
        buffer = PixelBuffer(width, rows, height);
    buffer.SetHeight(height);

    // A new bitmap is white; the page's fills then paint its bounds.
    const LumoRect first = job.FirstBounds();
    if (!covers(first, buffer))
        fillRect(buffer, {0, 0, width, height}, White);
    fillRect(buffer, first, job.background);
    if (pageIndex > 0) {
        // The dotted separator along the top row, every other pixel.
        if (height > 0) {
            QRgb *top = buffer.Row(0);
            for (std::int32_t x = 0; x < width; x += 2)
                top[x] = job.foreground;
        }
        fillRect(buffer, page.bounds, job.background);
    }

    QImage target = buffer.View();
    GlyphPainter cells(*job.glyphs, target);
    if (truth)
        truth->Begin(job, width, height, rows);
    const bool posed = job.look.Any();
    std::int64_t line = 0;
    std::optional<BaselineCurve> baseline;
    WalkPage(
        text, job, page.start,
        [&](qsizetype index, QPoint at, CharCode code, std::int32_t clipHeight) {
            if (!posed) {
                cells.Draw(at, job.CellOf(code), clipHeight);
                if (truth)
                    truth->Draw(index, at, code, clipHeight);
                return;
            }
            if (!baseline)
                baseline.emplace(job.look, job.seed, pageIndex, line);
            CharacterPose pose = PoseOf(job.look, job.seed, index, job.foreground, job.background);
            pose.drift = baseline->DriftAt(at.x());
            cells.Draw(at, job.CellOf(code), clipHeight, pose);
            if (truth)
                truth->Draw(index, at, code, clipHeight, pose);
        },
        [&](std::int32_t grown) {
            // The picture grows downward; its new rows take the background.
            const std::int32_t before = std::max(buffer.Height(), 0);
            buffer.SetHeight(grown);
            fillRect(buffer, {0, before, width, std::max(grown, 0)}, job.background);
            if (truth)
                truth->Grow(before, grown);
        },
        [&] {
            ++line;
            baseline.reset();
            if (truth)
                truth->EndLine();
        });
    if (job.page.Any()) {
        OwnerMap owners;
        if (truth)
            truth->Finish(&owners);
        const PageGeometry geometry(job.page, job.seed, pageIndex, buffer.Width(), buffer.Height());
        OwnerBoxes owned;
        const bool boxesTaken = applyPageLook(buffer, job, pageIndex, geometry, truth ? &owners : nullptr, &owned);
        if (truth) {
            const auto forward = [&geometry](QPointF point) { return geometry.Forward(point); };
            if (boxesTaken)
                truth->Moved(owned, forward);
            else
                truth->Moved(owners, forward);
        }
    } else if (truth) {
        truth->Finish();
    }

    const std::int32_t pictureHeight = Wrap::Sub(page.bounds.Bottom, page.bounds.Top);
    addNoise(buffer, page.noiseSeed, job.NoisePixels(pictureHeight), job.width, pictureHeight, job.background,
             job.foreground);
}
