#include "PageEffects.h"

#include "GreyPixels.h"
#include "VectorClones.h"
#include "LumoRandom.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

namespace {

QRgb *row(QImage &picture, int y)
{
    return reinterpret_cast<QRgb *>(picture.scanLine(y));
}

const QRgb *row(const QImage &picture, int y)
{
    return reinterpret_cast<const QRgb *>(picture.constScanLine(y));
}

// Rounded to the nearest level; below 0 rounds toward 0, which the clamp
// makes 0 anyway.
int clampLevel(double value)
{
    return std::clamp(static_cast<int>(value + 0.5), 0, 255);
}

// The standard normal distribution's quantiles at 65,536 even steps: a
// Gaussian number is one of them, chosen by 16 random bits.
const std::vector<float> &normalTable()
{
    static const std::vector<float> table = [] {
        std::vector<float> values(65536);
        for (std::size_t i = 0; i < values.size(); ++i) {
            // The inverse of the normal distribution by bisection of erfc.
            const double p = (static_cast<double>(i) + 0.5) / static_cast<double>(values.size());
            double low = -10;
            double high = 10;
            // 40 halvings leave 2e-11, far below a float's precision.
            for (int step = 0; step < 40; ++step) {
                const double middle = (low + high) / 2;
                (0.5 * std::erfc(-middle / std::numbers::sqrt2) < p ? low : high) = middle;
            }
            values[i] = static_cast<float>((low + high) / 2);
        }
        return values;
    }();
    return table;
}

// How far a colour is from the background: the ink in it.
int inkOf(QRgb colour, QRgb background)
{
    return std::max({std::abs(qRed(colour) - qRed(background)), std::abs(qGreen(colour) - qGreen(background)),
                     std::abs(qBlue(colour) - qBlue(background))});
}

// Uniform numbers of one stream, from a 64-bit state (xorshift64*).
class Stream
{
public:
    explicit Stream(std::uint64_t state) : m_state(state | 1) {}
    std::uint64_t Next()
    {
        m_state ^= m_state >> 12;
        m_state ^= m_state << 25;
        m_state ^= m_state >> 27;
        return m_state * 2685821657736338717ull;
    }
    double Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

private:
    std::uint64_t m_state;
};

std::uint64_t streamSeed(std::uint32_t seed, std::int64_t page, std::uint32_t channel, std::int64_t part)
{
    const double a = LookRandom(seed, static_cast<std::uint64_t>(page) << 24 ^ static_cast<std::uint64_t>(part), channel);
    return static_cast<std::uint64_t>((a + 1.0) * 0x1.0p62) ^ (static_cast<std::uint64_t>(part) << 1);
}

enum Channel : std::uint32_t { ShadeChannel = 201, FibreChannel = 202, NoiseChannel = 203, ScanChannel = 210 };

// Random values in [-1, 1] on a grid of the given spacing over a picture,
// smoothly blended between its points.
class ValueNoise
{
public:
    ValueNoise(std::uint32_t seed, std::int64_t page, std::uint32_t channel, int width, int height, int spacing)
        : m_spacing(spacing), m_columns(width / spacing + 2)
    {
        for (int offset = 0; offset < spacing; ++offset) {
            const double t = static_cast<double>(offset) / spacing;
            m_smooth.push_back(t * t * (3 - 2 * t));
        }
        const int rows = height / spacing + 2;
        m_values.reserve(static_cast<std::size_t>(m_columns) * rows);
        for (int j = 0; j < rows; ++j)
            for (int i = 0; i < m_columns; ++i)
                m_values.push_back(LookRandom(seed, static_cast<std::uint64_t>(page) << 40 ^ static_cast<std::uint64_t>(i) << 20
                                                        ^ static_cast<std::uint64_t>(j),
                                              channel));
    }

    // Adds weight times the values of row y to the first shade.size() pixels.
    void AddRow(int y, double weight, std::vector<double> &shade) const
    {
        const double ty = m_smooth[static_cast<std::size_t>(y % m_spacing)];
        const double *upper = m_values.data() + static_cast<std::size_t>(y / m_spacing) * m_columns;
        const double *lower = upper + m_columns;
        const std::size_t spacing = m_smooth.size();
        // A square of the grid at a time, whose corners stay put, so the
        // inner loop runs on vector registers.
        for (std::size_t start = 0; start < shade.size(); start += spacing, ++upper, ++lower) {
            const std::size_t count = std::min(spacing, shade.size() - start);
            const double upperLeft = upper[0];
            const double upperRight = upper[1];
            const double lowerLeft = lower[0];
            const double lowerRight = lower[1];
            double *value = shade.data() + start;
            for (std::size_t offset = 0; offset < count; ++offset) {
                const double tx = m_smooth[offset];
                const double top = upperLeft * (1 - tx) + upperRight * tx;
                const double bottom = lowerLeft * (1 - tx) + lowerRight * tx;
                value[offset] += weight * (top * (1 - ty) + bottom * ty);
            }
        }
    }

private:
    int m_spacing;
    int m_columns;
    std::vector<double> m_values;
    // The blend's weight at each offset into a square of the grid.
    std::vector<double> m_smooth;
};

// The owners a resampled pixel takes from the four it is made of: those of
// every one with a weight. They go into a map of the result, or straight
// into the owners' boxes.
struct OwnerMove
{
    const OwnerMap *from = nullptr;
    OwnerMap *to = nullptr;
    OwnerBoxes *boxes = nullptr;

    void One(int x, int y, std::int32_t owner) const
    {
        if (boxes)
            boxes->Take(owner, x, y);
        else
            to->SetTag(x, y, owner);
    }
    void Several(int x, int y, const OwnerMap::Owners &owners) const
    {
        if (boxes)
            boxes->TakeAll(owners, x, y);
        else
            to->Set(x, y, owners);
    }
};

// A run of result pixels whose four taps all lie inside the picture: the
// source point of its first pixel and how far it moves a pixel, in 16.16
// fixed point.
struct InsideRun
{
    int y = 0;
    int begin = 0;
    int end = 0;
    std::int64_t sx = 0;
    std::int64_t sy = 0;
    std::int64_t stepX = 0;
    std::int64_t stepY = 0;
};

// The bilinear blend of one channel of four taps in 256ths: blending the
// rows first and then the two results gives exactly the sum of the four
// weighted taps.
inline int blend(int upperLeft, int upperRight, int lowerLeft, int lowerRight, int right, int bottom)
{
    const int upper = upperLeft * (256 - right) + upperRight * right;
    const int lower = lowerLeft * (256 - right) + lowerRight * right;
    return (32768 + upper * (256 - bottom) + lower * bottom) >> 16;
}

// Resamples an inside run. Grey: every pixel of the source is grey, so one
// channel tells all three, and four equal taps need no branch of their own
// (their blend is their level).
template <bool Grey>
void resampleInside(const uchar *bits, qsizetype bytesPerLine, QRgb *out, const InsideRun &run)
{
    std::int64_t sx = run.sx;
    std::int64_t sy = run.sy;
    for (int x = run.begin; x < run.end; ++x, sx += run.stepX, sy += run.stepY) {
        const auto *upper = reinterpret_cast<const QRgb *>(bits + (sy >> 16) * bytesPerLine) + (sx >> 16);
        const auto *lower = reinterpret_cast<const QRgb *>(reinterpret_cast<const uchar *>(upper) + bytesPerLine);
        const int right = static_cast<int>(((sx & 0xFFFF) + 128) >> 8);
        const int bottom = static_cast<int>(((sy & 0xFFFF) + 128) >> 8);
        if constexpr (Grey) {
            const int grey = blend(qBlue(upper[0]), qBlue(upper[1]), qBlue(lower[0]), qBlue(lower[1]), right, bottom);
            out[x] = qRgb(grey, grey, grey);
        } else {
            // Most of a page is one colour round the source.
            if (upper[0] == upper[1] && upper[0] == lower[0] && upper[0] == lower[1]) {
                out[x] = upper[0] | 0xFF000000u;
                continue;
            }
            out[x] = qRgb(blend(qRed(upper[0]), qRed(upper[1]), qRed(lower[0]), qRed(lower[1]), right, bottom),
                          blend(qGreen(upper[0]), qGreen(upper[1]), qGreen(lower[0]), qGreen(lower[1]), right, bottom),
                          blend(qBlue(upper[0]), qBlue(upper[1]), qBlue(lower[0]), qBlue(lower[1]), right, bottom));
        }
    }
}

// Gives the pixels of an inside run the owners of their taps with a weight.
void moveInsideOwners(const OwnerMove &owners, const InsideRun &run)
{
    std::int64_t sx = run.sx;
    std::int64_t sy = run.sy;
    for (int x = run.begin; x < run.end; ++x, sx += run.stepX, sy += run.stepY) {
        const int left = static_cast<int>(sx >> 16);
        const int top = static_cast<int>(sy >> 16);
        const std::int32_t *upper = owners.from->TagRow(top) + left;
        const std::int32_t *lower = owners.from->TagRow(top + 1) + left;
        const std::int32_t tags[4] = {upper[0], upper[1], lower[0], lower[1]};
        // No owner is -1, every bit set: one AND tells that none of the four has one.
        if ((tags[0] & tags[1] & tags[2] & tags[3]) == OwnerMap::NoOwner)
            continue;
        const int right = static_cast<int>(((sx & 0xFFFF) + 128) >> 8);
        const int bottom = static_cast<int>(((sy & 0xFFFF) + 128) >> 8);
        const int weights[4] = {(256 - right) * (256 - bottom), right * (256 - bottom), (256 - right) * bottom,
                                right * bottom};
        // Taps inside one glyph show its one owner, which the pixel takes.
        std::int32_t only = OwnerMap::NoOwner;
        bool one = true;
        for (int tap = 0; tap < 4; ++tap) {
            if (weights[tap] == 0 || tags[tap] == OwnerMap::NoOwner)
                continue;
            if (only == OwnerMap::NoOwner)
                only = tags[tap];
            else
                one = one && tags[tap] == only;
        }
        if (one && only >= 0) {
            owners.One(x, run.y, only);
            continue;
        }
        OwnerMap::Owners gathered = OwnerMap::None();
        for (int tap = 0; tap < 4; ++tap) {
            if (weights[tap] != 0 && tags[tap] != OwnerMap::NoOwner)
                OwnerMap::AddAllTo(gathered, owners.from->OwnersOf(tags[tap]));
        }
        owners.Several(x, run.y, gathered);
    }
}

// Which pixels of a picture show anything but the background, or have an
// owner, a byte a pixel (a byte, not a bit: the test of a row then runs
// on vector registers). Most of a page of text is bare background, and a
// pixel resampled from bare background alone is the background and owns
// nothing, so the resampling skips those runs.
class BusyPixels
{
public:
    BusyPixels(const QImage &picture, QRgb background, const OwnerMap *owners)
        : m_width(picture.width()),
          m_busy(static_cast<std::size_t>(m_width) * static_cast<std::size_t>(picture.height()))
    {
        const QRgb bare = background & 0x00FFFFFFu;
        for (int y = 0; y < picture.height(); ++y) {
            const QRgb *pixels = row(picture, y);
            std::uint8_t *busy = rowOf(y);
            for (int x = 0; x < m_width; ++x)
                busy[x] = (pixels[x] & 0x00FFFFFFu) != bare;
            if (owners) {
                const std::int32_t *tags = owners->TagRow(y);
                for (int x = 0; x < m_width; ++x)
                    busy[x] |= tags[x] != OwnerMap::NoOwner;
            }
        }
    }

    // Whether any pixel of columns left..right and rows top..bottom
    // (inclusive, inside the picture) is busy.
    bool Any(int left, int right, int top, int bottom) const
    {
        const auto count = static_cast<std::size_t>(right - left + 1);
        for (int y = top; y <= bottom; ++y) {
            const std::uint8_t *busy = m_busy.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width)
                                       + static_cast<std::size_t>(left);
            // Eight bytes at a time.
            std::size_t at = 0;
            for (; at + 8 <= count; at += 8) {
                std::uint64_t eight;
                std::memcpy(&eight, busy + at, 8);
                if (eight != 0)
                    return true;
            }
            for (; at < count; ++at) {
                if (busy[at] != 0)
                    return true;
            }
        }
        return false;
    }

private:
    std::uint8_t *rowOf(int y) { return m_busy.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width); }

    int m_width;
    std::vector<std::uint8_t> m_busy;
};

} // namespace

void MovePixels(QImage &picture, const PageGeometry &geometry, QRgb background, OwnerMap *owners, OwnerBoxes *owned)
{
    const int width = picture.width();
    const int height = picture.height();
    QImage result(width, height, QImage::Format_RGB32);
    OwnerMap moved = owners && !owned ? OwnerMap(width, height) : OwnerMap();
    const QImage &source = picture;
    const uchar *bits = source.constBits();
    const qsizetype bytesPerLine = source.bytesPerLine();
    constexpr int step = PageGeometry::GridStep;
    // Where the pixel centres at the grid's columns take their colour from,
    // in 16.16 fixed point: within a cell of the warp's grid the source
    // moves by the same amount from pixel to pixel, an eighth of the way to
    // the next column's.
    const int columns = (width + step - 1) / step + 1;
    std::vector<std::int64_t> fromX(static_cast<std::size_t>(columns));
    std::vector<std::int64_t> fromY(static_cast<std::size_t>(columns));
    const bool grey = IsGreyPicture(source);
    const OwnerMove ownerMove{owners, &moved, owned};
    const BusyPixels busy(source, background, owners);
    const QRgb bare = background | 0xFF000000u;
    for (int y = 0; y < height; ++y) {
        QRgb *out = row(result, y);
        for (int column = 0; column < columns; ++column) {
            const QPointF from = geometry.Source(QPointF(column * step + 0.5, y + 0.5)) - QPointF(0.5, 0.5);
            fromX[static_cast<std::size_t>(column)] = static_cast<std::int64_t>(std::floor(from.x() * 65536 + 0.5));
            fromY[static_cast<std::size_t>(column)] = static_cast<std::int64_t>(std::floor(from.y() * 65536 + 0.5));
        }
        for (int start = 0, column = 0; start < width; start += step, ++column) {
            const int end = std::min(start + step, width);
            const auto at = static_cast<std::size_t>(column);
            std::int64_t sx = fromX[at];
            std::int64_t sy = fromY[at];
            const std::int64_t stepX = (fromX[at + 1] - sx) / step;
            const std::int64_t stepY = (fromY[at + 1] - sy) / step;
            // The source moves in a straight line, so the run's ends bound
            // its taps.
            const std::int64_t lastX = sx + stepX * (end - start - 1);
            const std::int64_t lastY = sy + stepY * (end - start - 1);
            if (std::min(sx, lastX) >= 0 && std::min(sy, lastY) >= 0 && (std::max(sx, lastX) >> 16) + 1 < width
                && (std::max(sy, lastY) >> 16) + 1 < height) {
                if (!busy.Any(static_cast<int>(std::min(sx, lastX) >> 16), static_cast<int>(std::max(sx, lastX) >> 16) + 1,
                              static_cast<int>(std::min(sy, lastY) >> 16), static_cast<int>(std::max(sy, lastY) >> 16) + 1)) {
                    std::fill(out + start, out + end, bare);
                    continue;
                }
                const InsideRun run{y, start, end, sx, sy, stepX, stepY};
                if (grey)
                    resampleInside<true>(bits, bytesPerLine, out, run);
                else
                    resampleInside<false>(bits, bytesPerLine, out, run);
                if (owners)
                    moveInsideOwners(ownerMove, run);
                continue;
            }
            for (int x = start; x < end; ++x, sx += stepX, sy += stepY) {
                const std::int64_t left = sx >> 16;
                const std::int64_t top = sy >> 16;
                // Weights in 256ths, so that a pixel's four add up exactly.
                const int right = static_cast<int>(((sx & 0xFFFF) + 128) >> 8);
                const int bottom = static_cast<int>(((sy & 0xFFFF) + 128) >> 8);
                const int weights[4] = {(256 - right) * (256 - bottom), right * (256 - bottom),
                                        (256 - right) * bottom, right * bottom};
                QRgb taps[4];
                bool inside[4];
                bool anyOwner = owners != nullptr;
                if (left >= 0 && top >= 0 && left + 1 < width && top + 1 < height) {
                    const QRgb *upper = reinterpret_cast<const QRgb *>(bits + top * bytesPerLine) + left;
                    const QRgb *lower = reinterpret_cast<const QRgb *>(bits + (top + 1) * bytesPerLine) + left;
                    taps[0] = upper[0];
                    taps[1] = upper[1];
                    taps[2] = lower[0];
                    taps[3] = lower[1];
                    std::fill(std::begin(inside), std::end(inside), true);
                } else {
                    for (int tap = 0; tap < 4; ++tap) {
                        const std::int64_t tx = left + (tap & 1);
                        const std::int64_t ty = top + (tap >> 1);
                        inside[tap] = tx >= 0 && ty >= 0 && tx < width && ty < height;
                        taps[tap] = inside[tap] ? row(source, static_cast<int>(ty))[tx] : background;
                    }
                }
                if (anyOwner) {
                    OwnerMap::Owners gathered = OwnerMap::None();
                    for (int tap = 0; tap < 4; ++tap) {
                        if (weights[tap] != 0 && inside[tap]) {
                            const int tx = static_cast<int>(left + (tap & 1));
                            const int ty = static_cast<int>(top + (tap >> 1));
                            OwnerMap::AddAllTo(gathered, owners->At(tx, ty));
                        }
                    }
                    if (gathered[0] >= 0)
                        ownerMove.Several(x, y, gathered);
                }
                // Most of a page is one colour round the source.
                if (taps[0] == taps[1] && taps[0] == taps[2] && taps[0] == taps[3]) {
                    out[x] = taps[0] | 0xFF000000u;
                    continue;
                }
                int sums[3] = {32768, 32768, 32768};
                for (int tap = 0; tap < 4; ++tap) {
                    sums[0] += weights[tap] * qRed(taps[tap]);
                    sums[1] += weights[tap] * qGreen(taps[tap]);
                    sums[2] += weights[tap] * qBlue(taps[tap]);
                }
                out[x] = qRgb(sums[0] >> 16, sums[1] >> 16, sums[2] >> 16);
            }
        }
    }
    picture = std::move(result);
    if (owners && !owned)
        *owners = std::move(moved);
}

void ChangeInkWeight(QImage &picture, int n, QRgb background, OwnerMap *owners)
{
    if (n == 0)
        return;
    const int width = picture.width();
    const int height = picture.height();
    const QImage before = picture.copy();
    const OwnerMap ownersBefore = owners ? *owners : OwnerMap();
    const int radius = std::abs(n);
    // The disc's offsets, the centre first: on a tie a pixel keeps its own.
    std::vector<std::pair<int, int>> disc{{0, 0}};
    for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx)
            if ((dx != 0 || dy != 0) && dx * dx + dy * dy <= radius * radius)
                disc.emplace_back(dx, dy);
    for (int y = 0; y < height; ++y) {
        QRgb *out = row(picture, y);
        for (int x = 0; x < width; ++x) {
            int chosenX = x;
            int chosenY = y;
            int chosenInk = inkOf(row(before, y)[x], background);
            for (const auto &[dx, dy] : disc) {
                const int sx = x + dx;
                const int sy = y + dy;
                if (sx < 0 || sy < 0 || sx >= width || sy >= height)
                    continue;
                const int ink = inkOf(row(before, sy)[sx], background);
                if (n > 0 ? ink > chosenInk : ink < chosenInk) {
                    chosenInk = ink;
                    chosenX = sx;
                    chosenY = sy;
                }
            }
            out[x] = row(before, chosenY)[chosenX];
            if (owners)
                owners->Set(x, y, ownersBefore.At(chosenX, chosenY));
        }
    }
}

namespace {

VECTOR_CLONES void layPaper(QImage &picture, QRgb background, std::uint32_t seed, std::int64_t page)
{
    const int width = picture.width();
    const int height = picture.height();
    QImage paper(width, height, QImage::Format_RGB32);
    // Slow shading in two sizes, a few percent either way.
    const ValueNoise broad(seed, page, ShadeChannel, width, height, 96);
    const ValueNoise fine(seed, page, ShadeChannel + 10, width, height, 17);
    std::vector<double> shade(static_cast<std::size_t>(width));
    // On grey paper (the usual white) each channel of a grey pixel comes out
    // alike, and is worked out once.
    const bool greyBackground = IsGrey(background);
    for (int y = 0; y < height; ++y) {
        std::fill(shade.begin(), shade.end(), 1.0);
        broad.AddRow(y, 0.035, shade);
        fine.AddRow(y, 0.015, shade);
        QRgb *line = row(paper, y);
        for (int x = 0; x < width; ++x) {
            const double factor = shade[static_cast<std::size_t>(x)];
            if (greyBackground) {
                const int grey = clampLevel(qBlue(background) * factor);
                line[x] = qRgb(grey, grey, grey);
                continue;
            }
            line[x] = qRgb(clampLevel(qRed(background) * factor), clampLevel(qGreen(background) * factor),
                           clampLevel(qBlue(background) * factor));
        }
    }
    // Fibres: short, gently bent strokes a little darker or lighter.
    {
        QPainter painter(&paper);
        painter.setRenderHint(QPainter::Antialiasing);
        Stream stream(streamSeed(seed, page, FibreChannel, 0));
        const int fibres = width * height / 1500;
        for (int i = 0; i < fibres; ++i) {
            const QPointF start(stream.Uniform() * width, stream.Uniform() * height);
            const double angle = stream.Uniform() * 2 * std::numbers::pi;
            const double length = 4 + stream.Uniform() * 18;
            const QPointF end = start + QPointF(std::cos(angle), std::sin(angle)) * length;
            const QPointF bend = (start + end) / 2 + QPointF(stream.Uniform() - 0.5, stream.Uniform() - 0.5) * 6;
            QPainterPath path(start);
            path.quadTo(bend, end);
            const bool dark = stream.Uniform() < 0.7;
            painter.setPen(QPen(dark ? QColor(0, 0, 0, 10 + static_cast<int>(stream.Uniform() * 14))
                                     : QColor(255, 255, 255, 20),
                                0.6 + stream.Uniform() * 0.6));
            painter.drawPath(path);
        }
    }
    // Ink on paper: every channel multiplied by the paper's share of the
    // background, looked up by the paper's level.
    std::array<std::array<double, 256>, 3> share;
    const int backgroundLevels[3] = {qRed(background), qGreen(background), qBlue(background)};
    for (std::size_t channel = 0; channel < 3; ++channel)
        for (std::size_t level = 0; level < 256; ++level)
            share[channel][level] = static_cast<double>(level) / std::max(backgroundLevels[channel], 1);
    // Where the picture shows the bare background the product is the
    // paper itself (level x paper / level is exact in doubles), unless a
    // channel of the background is 0.
    const QRgb bare = background | 0xFF000000u;
    const bool bareIsPaper = backgroundLevels[0] > 0 && backgroundLevels[1] > 0 && backgroundLevels[2] > 0;
    // On grey paper a grey row's products are looked up, a level of the
    // paper and one of the picture, without a branch a pixel; the table is
    // the same for every page on that paper.
    thread_local int tableBackground = -1;
    thread_local std::array<std::uint8_t, 256 * 256> greyProduct;
    if (greyBackground && tableBackground != qBlue(background)) {
        for (std::size_t paperLevel = 0; paperLevel < 256; ++paperLevel)
            for (std::size_t level = 0; level < 256; ++level)
                greyProduct[paperLevel * 256 + level] =
                    static_cast<std::uint8_t>(clampLevel(static_cast<double>(level) * share[2][paperLevel]));
        tableBackground = qBlue(background);
    }
    for (int y = 0; y < height; ++y) {
        QRgb *out = row(picture, y);
        const QRgb *under = row(std::as_const(paper), y);
        if (greyBackground && IsGreyRow(out, width) && IsGreyRow(under, width)) {
            for (int x = 0; x < width; ++x) {
                const int grey = greyProduct[static_cast<std::size_t>(qBlue(under[x])) * 256 + qBlue(out[x])];
                out[x] = qRgb(grey, grey, grey);
            }
            continue;
        }
        for (int x = 0; x < width; ++x) {
            const QRgb p = under[x];
            if (bareIsPaper && out[x] == bare) {
                out[x] = p | 0xFF000000u;
                continue;
            }
            if (greyBackground && IsGrey(p) && IsGrey(out[x])) {
                const int grey = clampLevel(qBlue(out[x]) * share[2][static_cast<std::size_t>(qBlue(p))]);
                out[x] = qRgb(grey, grey, grey);
                continue;
            }
            out[x] = qRgb(clampLevel(qRed(out[x]) * share[0][static_cast<std::size_t>(qRed(p))]),
                          clampLevel(qGreen(out[x]) * share[1][static_cast<std::size_t>(qGreen(p))]),
                          clampLevel(qBlue(out[x]) * share[2][static_cast<std::size_t>(qBlue(p))]));
        }
    }
}

} // namespace

void LayPaper(QImage &picture, QRgb background, std::uint32_t seed, std::int64_t page)
{
    layPaper(picture, background, seed, page);
}

PaperCrop CropFor(const PaperScans &scans, int width, int height, std::uint32_t seed, std::int64_t page)
{
    const auto unit = [&](std::uint32_t channel) { return (LookRandom(seed, static_cast<std::uint64_t>(page), channel) + 1) / 2; };
    PaperCrop crop;
    crop.scan = std::min(static_cast<std::size_t>(unit(ScanChannel) * static_cast<double>(scans.pictures.size())),
                         scans.pictures.size() - 1);
    const QImage &scan = scans.pictures[crop.scan];
    crop.at = QPoint(static_cast<int>(unit(ScanChannel + 1) * std::max(scan.width() - width, 0)),
                     static_cast<int>(unit(ScanChannel + 2) * std::max(scan.height() - height, 0)));
    return crop;
}

void LayPaperScan(QImage &picture, const PaperScans &scans, std::uint32_t seed, std::int64_t page)
{
    const PaperCrop crop = CropFor(scans, picture.width(), picture.height(), seed, page);
    const QImage &scan = scans.pictures[crop.scan];
    const int width = picture.width();
    for (int y = 0; y < picture.height(); ++y) {
        QRgb *out = row(picture, y);
        // A scan smaller than the page repeats.
        const QRgb *under = row(scan, (crop.at.y() + y) % scan.height());
        for (int x = 0; x < width; ++x) {
            const QRgb paper = under[(crop.at.x() + x) % scan.width()];
            const auto times = [](int level, int paperLevel) { return clampLevel(level * paperLevel / 255.0); };
            out[x] = qRgb(times(qRed(out[x]), qRed(paper)), times(qGreen(out[x]), qGreen(paper)),
                          times(qBlue(out[x]), qBlue(paper)));
        }
    }
}

namespace {

VECTOR_CLONES void blur(QImage &picture, double sigma)
{
    if (sigma <= 0)
        return;
    const int width = picture.width();
    const int height = picture.height();
    const int radius = static_cast<int>(std::ceil(3 * sigma));
    std::vector<float> kernel(static_cast<std::size_t>(2 * radius + 1));
    float total = 0;
    for (int i = -radius; i <= radius; ++i)
        total += kernel[static_cast<std::size_t>(i + radius)] = static_cast<float>(std::exp(-(i * i) / (2 * sigma * sigma)));
    for (float &weight : kernel)
        weight /= total;
    // A grey page (the usual black on white) is blurred in one plane
    // instead of three.
    const int planes = IsGreyPicture(picture) ? 1 : 3;
    const auto level = [](QRgb colour, int plane) {
        return plane == 0 ? qBlue(colour) : plane == 1 ? qGreen(colour) : qRed(colour);
    };
    // Each plane of floats with the edge repeated radius times on both
    // sides, so that the passes need no bounds inside their loops.
    const auto sizeOf = [](int n) { return static_cast<std::size_t>(n); };
    const int paddedWidth = width + 2 * radius;
    std::vector<float> line(sizeOf(paddedWidth) * sizeOf(planes));
    std::vector<float> across(sizeOf(width) * sizeOf(height) * sizeOf(planes));
    for (int y = 0; y < height; ++y) {
        const QRgb *in = row(std::as_const(picture), y);
        for (int plane = 0; plane < planes; ++plane) {
            float *padded = line.data() + sizeOf(plane) * sizeOf(paddedWidth);
            for (int x = -radius; x < width + radius; ++x)
                padded[sizeOf(x + radius)] = static_cast<float>(level(in[std::clamp(x, 0, width - 1)], plane));
            // Tap by tap across the row: each pixel adds its taps in the
            // same order as one at a time would, and the row runs on vector
            // registers.
            float *target = across.data() + (sizeOf(plane) * sizeOf(height) + sizeOf(y)) * sizeOf(width);
            std::fill(target, target + width, 0.0f);
            for (int i = 0; i <= 2 * radius; ++i) {
                const float weight = kernel[sizeOf(i)];
                const float *from = padded + i;
                for (int x = 0; x < width; ++x)
                    target[x] += weight * from[x];
            }
        }
    }
    std::vector<float> sums(sizeOf(width) * sizeOf(planes));
    for (int y = 0; y < height; ++y) {
        std::fill(sums.begin(), sums.end(), 0.0f);
        for (int i = -radius; i <= radius; ++i) {
            const float weight = kernel[sizeOf(i + radius)];
            const int from = std::clamp(y + i, 0, height - 1);
            for (int plane = 0; plane < planes; ++plane) {
                const float *source = across.data() + (sizeOf(plane) * sizeOf(height) + sizeOf(from)) * sizeOf(width);
                float *sum = sums.data() + sizeOf(plane) * sizeOf(width);
                for (int x = 0; x < width; ++x)
                    sum[x] += weight * source[x];
            }
        }
        QRgb *out = row(picture, y);
        if (planes == 1) {
            for (int x = 0; x < width; ++x) {
                const int grey = clampLevel(sums[sizeOf(x)]);
                out[x] = qRgb(grey, grey, grey);
            }
            continue;
        }
        for (int x = 0; x < width; ++x)
            out[x] = qRgb(clampLevel(sums[2 * sizeOf(width) + sizeOf(x)]), clampLevel(sums[sizeOf(width) + sizeOf(x)]),
                          clampLevel(sums[sizeOf(x)]));
    }
}

} // namespace

void Blur(QImage &picture, double sigma)
{
    blur(picture, sigma);
}

namespace {

VECTOR_CLONES void addSensorNoise(QImage &picture, double sigma, std::uint32_t seed, std::int64_t page)
{
    if (sigma <= 0)
        return;
    const std::vector<float> &normal = normalTable();
    const int width = picture.width();
    std::vector<float> noise(static_cast<std::size_t>(width) + 3);
    for (int y = 0; y < picture.height(); ++y) {
        // A stream a row: the same numbers whoever draws the page. One draw
        // gives four pixels 16 bits each.
        Stream stream(streamSeed(seed, page, NoiseChannel, y));
        for (std::size_t x = 0; x < static_cast<std::size_t>(width); x += 4) {
            const std::uint64_t bits = stream.Next();
            for (std::size_t part = 0; part < 4; ++part)
                noise[x + part] = static_cast<float>(sigma) * normal[(bits >> (48 - 16 * part)) & 0xFFFF];
        }
        // The sensor's noise is in the brightness: the same in every
        // channel, so that a grey page stays grey.
        QRgb *out = row(picture, y);
        if (IsGreyRow(out, width)) {
            // The usual row: a level a pixel, without a branch.
            for (int x = 0; x < width; ++x) {
                const int grey = clampLevel(qBlue(out[x]) + noise[static_cast<std::size_t>(x)]);
                out[x] = qRgb(grey, grey, grey);
            }
            continue;
        }
        for (int x = 0; x < width; ++x) {
            const float n = noise[static_cast<std::size_t>(x)];
            const QRgb p = out[x];
            // A grey pixel's three channels come out alike: worked out once.
            if (IsGrey(p)) {
                const int grey = clampLevel(qBlue(p) + n);
                out[x] = qRgb(grey, grey, grey);
                continue;
            }
            out[x] = qRgb(clampLevel(qRed(p) + n), clampLevel(qGreen(p) + n), clampLevel(qBlue(p) + n));
        }
    }
}

} // namespace

void AddSensorNoise(QImage &picture, double sigma, std::uint32_t seed, std::int64_t page)
{
    addSensorNoise(picture, sigma, seed, page);
}
