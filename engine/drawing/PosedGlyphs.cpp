#include "PosedGlyphs.h"

#include "GlyphPainter.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <functional>
#include <unordered_map>

namespace {

// A few thousand glyphs; past the bound the thread starts afresh.
constexpr std::size_t MaxBytes = 16 << 20;

struct Key
{
    std::uint64_t glyphs;
    const GlyphCache::Cell *cell;
    double angle;
    double scale;
    bool operator==(const Key &) const = default;
};

// Every character of a page asks for its mask: a hash finds it in a step.
struct KeyHash
{
    std::size_t operator()(const Key &key) const
    {
        std::size_t hash = std::hash<std::uint64_t>()(key.glyphs);
        const auto mix = [&hash](std::size_t value) { hash ^= value + 0x9E3779B97F4A7C15ull + (hash << 6) + (hash >> 2); };
        mix(std::hash<const void *>()(key.cell));
        mix(std::hash<double>()(key.angle));
        mix(std::hash<double>()(key.scale));
        return hash;
    }
};

struct Kept
{
    std::unordered_map<Key, PosedMask, KeyHash> masks;
    std::size_t bytes = 0;
    // The mask given last (the map's elements stay where they are until
    // it is cleared, which happens only before a new one is put in).
    Key lastKey{};
    const PosedMask *last = nullptr;
};

PosedMask render(const GlyphCache &glyphs, const GlyphCache::Cell &cell, const CharacterPose &pose)
{
    // A turned or enlarged glyph reaches up to its cell's diagonal from the centre.
    const int reach = glyphs.Margin()
                      + static_cast<int>(std::ceil(std::max(pose.scale, 1.0) * std::hypot(cell.advance, glyphs.CellHeight())));
    const QPoint at(reach, reach);
    QImage scratch(cell.advance + 2 * reach, glyphs.CellHeight() + 2 * reach, QImage::Format_RGB32);
    PosedMask mask;
    if (scratch.isNull())
        return mask;
    scratch.fill(Qt::white);
    {
        QPainter painter(&scratch);
        painter.setFont(glyphs.Font());
        painter.setPen(Qt::black);
        painter.setTransform(pose.Transform(at, cell.advance, glyphs.CellHeight()));
        DrawCellText(painter, at, cell, glyphs);
    }
    QRect box;
    const int width = scratch.width();
    for (int y = 0; y < scratch.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(scratch.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            if (row[x] != 0xFFFFFFFFu)
                box |= QRect(x, y, 1, 1);
        }
    }
    mask.box = box.translated(-at);
    mask.coverage.reserve(static_cast<std::size_t>(box.width()) * static_cast<std::size_t>(box.height()));
    for (int y = box.top(); y <= box.bottom(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(scratch.constScanLine(y));
        for (int x = box.left(); x <= box.right(); ++x)
            mask.coverage.push_back(static_cast<std::uint8_t>(255 - qGreen(row[x])));
    }
    return mask;
}

} // namespace

const PosedMask &PosedGlyph(const GlyphCache &glyphs, const GlyphCache::Cell &cell, const CharacterPose &pose)
{
    thread_local Kept kept;
    const Key key{glyphs.Serial(), &cell, pose.angle, pose.scale};
    // The truth asks for the glyph the picture has just drawn.
    if (kept.last && kept.lastKey == key)
        return *kept.last;
    const auto found = kept.masks.find(key);
    if (found != kept.masks.end()) {
        kept.lastKey = key;
        kept.last = &found->second;
        return found->second;
    }
    PosedMask made = render(glyphs, cell, pose);
    const std::size_t bytes = made.coverage.size() + 64;
    if (kept.bytes + bytes > MaxBytes) {
        kept.last = nullptr;
        kept.masks.clear();
        kept.bytes = 0;
    }
    // Remembered once it is in: a put that fails (out of memory) leaves
    // nothing pointing at a mask that is not there.
    const PosedMask &mask = kept.masks.emplace(key, std::move(made)).first->second;
    kept.bytes += bytes;
    kept.lastKey = key;
    kept.last = &mask;
    return mask;
}

int FirstVisibleCoverage(QRgb under, QRgb colour)
{
    // A channel mixed by coverage c is (255 under + (colour - under) c + 127)
    // / 255 rounded down: under plus the floor of ((colour - under) c + 127)
    // / 255, which leaves under once that reaches 255 (going up) or drops
    // below 0 (going down).
    int first = 256;
    for (const int shift : {16, 8, 0}) {
        const int from = static_cast<int>((under >> shift) & 0xFF);
        const int difference = static_cast<int>((colour >> shift) & 0xFF) - from;
        if (difference > 0)
            first = std::min(first, (128 + difference - 1) / difference);
        else if (difference < 0)
            first = std::min(first, 127 / -difference + 1);
    }
    return first;
}
