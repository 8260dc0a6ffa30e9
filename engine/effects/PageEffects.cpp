#include "PageEffects.h"

#include "LumoRandom.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
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
            for (int step = 0; step < 60; ++step) {
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
        const int rows = height / spacing + 2;
        m_values.reserve(static_cast<std::size_t>(m_columns) * rows);
        for (int j = 0; j < rows; ++j)
            for (int i = 0; i < m_columns; ++i)
                m_values.push_back(LookRandom(seed, static_cast<std::uint64_t>(page) << 40 ^ static_cast<std::uint64_t>(i) << 20
                                                        ^ static_cast<std::uint64_t>(j),
                                              channel));
    }

    double At(int x, int y) const
    {
        const auto smooth = [](double t) { return t * t * (3 - 2 * t); };
        const int i = x / m_spacing;
        const int j = y / m_spacing;
        const double tx = smooth(static_cast<double>(x % m_spacing) / m_spacing);
        const double ty = smooth(static_cast<double>(y % m_spacing) / m_spacing);
        const double *at = m_values.data() + static_cast<std::size_t>(j) * m_columns + i;
        const double top = at[0] * (1 - tx) + at[1] * tx;
        const double bottom = at[m_columns] * (1 - tx) + at[m_columns + 1] * tx;
        return top * (1 - ty) + bottom * ty;
    }

private:
    int m_spacing;
    int m_columns;
    std::vector<double> m_values;
};

} // namespace

void MovePixels(QImage &picture, const PageGeometry &geometry, QRgb background, OwnerMap *owners)
{
    const int width = picture.width();
    const int height = picture.height();
    QImage result(width, height, QImage::Format_RGB32);
    OwnerMap moved = owners ? OwnerMap(width, height) : OwnerMap();
    for (int y = 0; y < height; ++y) {
        QRgb *out = row(result, y);
        for (int x = 0; x < width; ++x) {
            const QPointF source = geometry.Source(QPointF(x + 0.5, y + 0.5)) - QPointF(0.5, 0.5);
            const double left = std::floor(source.x());
            const double top = std::floor(source.y());
            // Weights in 256ths, so that a pixel's four add up exactly.
            const int right = static_cast<int>((source.x() - left) * 256 + 0.5);
            const int bottom = static_cast<int>((source.y() - top) * 256 + 0.5);
            const int weights[4] = {(256 - right) * (256 - bottom), right * (256 - bottom), (256 - right) * bottom,
                                    right * bottom};
            const double x0 = left;
            const double y0 = top;
            int sums[3] = {32768, 32768, 32768};
            for (int tap = 0; tap < 4; ++tap) {
                if (weights[tap] == 0)
                    continue;
                const double tx = x0 + (tap & 1);
                const double ty = y0 + (tap >> 1);
                const bool inside = tx >= 0 && ty >= 0 && tx < width && ty < height;
                const QRgb colour = inside ? row(std::as_const(picture), static_cast<int>(ty))[static_cast<int>(tx)]
                                           : background;
                sums[0] += weights[tap] * qRed(colour);
                sums[1] += weights[tap] * qGreen(colour);
                sums[2] += weights[tap] * qBlue(colour);
                if (inside && owners)
                    moved.AddAll(x, y, owners->At(static_cast<int>(tx), static_cast<int>(ty)));
            }
            out[x] = qRgb(sums[0] >> 16, sums[1] >> 16, sums[2] >> 16);
        }
    }
    picture = std::move(result);
    if (owners)
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

void LayPaper(QImage &picture, QRgb background, std::uint32_t seed, std::int64_t page)
{
    const int width = picture.width();
    const int height = picture.height();
    QImage paper(width, height, QImage::Format_RGB32);
    // Slow shading in two sizes, a few percent either way.
    const ValueNoise broad(seed, page, ShadeChannel, width, height, 96);
    const ValueNoise fine(seed, page, ShadeChannel + 10, width, height, 17);
    for (int y = 0; y < height; ++y) {
        QRgb *line = row(paper, y);
        for (int x = 0; x < width; ++x) {
            const double shade = 1.0 + 0.035 * broad.At(x, y) + 0.015 * fine.At(x, y);
            line[x] = qRgb(clampLevel(qRed(background) * shade), clampLevel(qGreen(background) * shade),
                           clampLevel(qBlue(background) * shade));
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
    // Ink on paper: every channel multiplied by the paper's share of the background.
    const auto share = [](int paperLevel, int backgroundLevel) {
        return paperLevel / std::max(static_cast<double>(backgroundLevel), 1.0);
    };
    for (int y = 0; y < height; ++y) {
        QRgb *out = row(picture, y);
        const QRgb *under = row(std::as_const(paper), y);
        for (int x = 0; x < width; ++x) {
            out[x] = qRgb(clampLevel(qRed(out[x]) * share(qRed(under[x]), qRed(background))),
                          clampLevel(qGreen(out[x]) * share(qGreen(under[x]), qGreen(background))),
                          clampLevel(qBlue(out[x]) * share(qBlue(under[x]), qBlue(background))));
        }
    }
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
    for (int y = 0; y < picture.height(); ++y) {
        QRgb *out = row(picture, y);
        // A scan smaller than the page repeats.
        const QRgb *under = row(scan, (crop.at.y() + y) % scan.height());
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb paper = under[(crop.at.x() + x) % scan.width()];
            const auto times = [](int level, int paperLevel) { return clampLevel(level * paperLevel / 255.0); };
            out[x] = qRgb(times(qRed(out[x]), qRed(paper)), times(qGreen(out[x]), qGreen(paper)),
                          times(qBlue(out[x]), qBlue(paper)));
        }
    }
}

void Blur(QImage &picture, double sigma)
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
    // Each channel a plane of floats with the edge repeated radius times on
    // both sides, so that the passes need no bounds inside their loops.
    const auto sizeOf = [](int n) { return static_cast<std::size_t>(n); };
    const int paddedWidth = width + 2 * radius;
    std::vector<float> line(sizeOf(paddedWidth) * 3);
    std::vector<float> across(sizeOf(width) * sizeOf(height) * 3);
    for (int y = 0; y < height; ++y) {
        const QRgb *in = row(std::as_const(picture), y);
        for (int x = -radius; x < width + radius; ++x) {
            const QRgb colour = in[std::clamp(x, 0, width - 1)];
            const std::size_t at = sizeOf(x + radius);
            line[at] = static_cast<float>(qRed(colour));
            line[sizeOf(paddedWidth) + at] = static_cast<float>(qGreen(colour));
            line[2 * sizeOf(paddedWidth) + at] = static_cast<float>(qBlue(colour));
        }
        for (int channel = 0; channel < 3; ++channel) {
            const float *source = line.data() + sizeOf(channel) * sizeOf(paddedWidth);
            float *target = across.data() + (sizeOf(channel) * sizeOf(height) + sizeOf(y)) * sizeOf(width);
            for (int x = 0; x < width; ++x) {
                float sum = 0;
                for (int i = 0; i <= 2 * radius; ++i)
                    sum += kernel[sizeOf(i)] * source[x + i];
                target[x] = sum;
            }
        }
    }
    std::vector<float> sums(sizeOf(width) * 3);
    for (int y = 0; y < height; ++y) {
        std::fill(sums.begin(), sums.end(), 0.0f);
        for (int i = -radius; i <= radius; ++i) {
            const float weight = kernel[sizeOf(i + radius)];
            const int from = std::clamp(y + i, 0, height - 1);
            for (int channel = 0; channel < 3; ++channel) {
                const float *source = across.data() + (sizeOf(channel) * sizeOf(height) + sizeOf(from)) * sizeOf(width);
                float *sum = sums.data() + sizeOf(channel) * sizeOf(width);
                for (int x = 0; x < width; ++x)
                    sum[x] += weight * source[x];
            }
        }
        QRgb *out = row(picture, y);
        for (int x = 0; x < width; ++x)
            out[x] = qRgb(clampLevel(sums[sizeOf(x)]), clampLevel(sums[sizeOf(width) + sizeOf(x)]),
                          clampLevel(sums[2 * sizeOf(width) + sizeOf(x)]));
    }
}

void AddSensorNoise(QImage &picture, double sigma, std::uint32_t seed, std::int64_t page)
{
    if (sigma <= 0)
        return;
    const std::vector<float> &normal = normalTable();
    for (int y = 0; y < picture.height(); ++y) {
        // A stream a row: the same numbers whoever draws the page.
        Stream stream(streamSeed(seed, page, NoiseChannel, y));
        QRgb *out = row(picture, y);
        for (int x = 0; x < picture.width(); ++x) {
            // One draw of the stream gives the three channels 16 bits each.
            const std::uint64_t bits = stream.Next();
            const double noise[3] = {sigma * normal[bits >> 48], sigma * normal[(bits >> 32) & 0xFFFF],
                                     sigma * normal[(bits >> 16) & 0xFFFF]};
            out[x] = qRgb(clampLevel(qRed(out[x]) + noise[0]), clampLevel(qGreen(out[x]) + noise[1]),
                          clampLevel(qBlue(out[x]) + noise[2]));
        }
    }
}
