#include "PageTruth.h"

#include <QPainter>
#include <algorithm>
#include <new>

namespace {

// The rectangle with each edge moved into (0, 0, width, height), worked out
// in 64 bits: a jittered position may lie anywhere in the 32-bit range. A
// rectangle outside keeps its place on the nearest edge, with no size.
QRect clipped(std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h, int width, int height)
{
    const auto clamp = [](std::int64_t value, int limit) { return static_cast<int>(std::clamp<std::int64_t>(value, 0, limit)); };
    const int left = clamp(x, width);
    const int top = clamp(y, height);
    const int right = clamp(x + std::max<std::int64_t>(w, 0), width);
    const int bottom = clamp(y + std::max<std::int64_t>(h, 0), height);
    return QRect(left, top, right - left, bottom - top);
}

} // namespace

namespace {

// Tags stay below this, so that 2t + 1 fits the map.
constexpr std::int32_t TagLimit = std::int32_t(1) << 30;

std::int32_t cellOf(std::int32_t tag)
{
    return 2 * tag;
}

std::int32_t aloneGlyphOf(std::int32_t tag)
{
    return 2 * tag + 1;
}

} // namespace

void PageTruth::Begin(const GlyphCache &glyphs, int width, int height, int rows)
{
    m_glyphs = &glyphs;
    m_width = std::max(width, 0);
    m_height = std::max(height, 0);
    m_rows = std::max(rows, m_height);
    const std::size_t size = static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_rows);
    // What earlier pictures left has older tags; clearing it for every page
    // cost 0.02 s of 0.4 s.
    if (m_owner.size() != size || m_nextTag >= TagLimit / 2) {
        m_owner.assign(size, -1);
        m_nextTag = 0;
    }
    m_firstTag = m_nextTag;
    m_lines.clear();
    m_marks.clear();
    m_lineOpen = false;
    // A new picture may come with new glyphs.
    m_alonePainter.reset();
}

void PageTruth::own(const QRect &inside, std::int32_t owner)
{
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        std::int32_t *row = m_owner.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width);
        std::fill(row + inside.left(), row + inside.right() + 1, owner);
    }
}

void PageTruth::Draw(qsizetype index, QPoint at, unsigned char byte, int clipHeight)
{
    // A picture of that many characters could not be held anyway.
    if (m_nextTag >= TagLimit)
        throw std::bad_alloc();
    const std::int32_t tag = m_nextTag++;
    if (!m_lineOpen) {
        m_lines.emplace_back();
        m_lineOpen = true;
    }
    const GlyphCache::Cell &cell = m_glyphs->ReadyCell(byte);
    const int clip = std::clamp(clipHeight, 0, m_height);
    const QRect inside = clipped(at.x(), at.y(), cell.advance, m_glyphs->CellHeight(), m_width, clip);
    Character character;
    character.index = index;
    character.byte = byte;
    character.cell = inside;
    Mark &mark = m_marks.emplace_back();
    mark.line = m_lines.size() - 1;
    mark.position = m_lines.back().characters.size();
    mark.at = at;
    mark.clip = clip;
    mark.byte = byte;
    m_lines.back().characters.push_back(character);

    // The cell is opaque: it covers whatever was there, and it holds the
    // glyph's pixels that lie within it.
    own(inside, cellOf(tag));
    if (!cell.inkKnown) {
        mark.alone = true;
        markGlyphAlone(at, byte, clip, aloneGlyphOf(tag));
        return;
    }
    const QRect &box = cell.inkBox;
    const QRect taken = clipped(std::int64_t(at.x()) + box.x(), std::int64_t(at.y()) + box.y(), box.width(), box.height(),
                                m_width, clip);
    if (taken.isEmpty())
        return;
    mark.reach = {taken.left(), taken.top(), taken.right(), taken.bottom()};
    if (taken.size() == box.size()) {
        mark.whole = true;
        mark.corner = static_cast<std::size_t>(taken.top()) * static_cast<std::size_t>(m_width) + static_cast<std::size_t>(taken.left());
        // Most glyphs lie within their cells, which holds them already.
        if (!cell.contained) {
            std::int32_t *const corner = m_owner.data() + mark.corner;
            for (const std::size_t place : placesOf(byte, cell))
                corner[place] = cellOf(tag);
        }
        return;
    }
    for (const QPoint offset : cell.ink) {
        const std::int64_t x = std::int64_t(at.x()) + offset.x();
        const std::int64_t y = std::int64_t(at.y()) + offset.y();
        if (x >= 0 && y >= 0 && x < m_width && y < clip)
            m_owner[static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) + static_cast<std::size_t>(x)] = cellOf(tag);
    }
}

// A glyph of a font so large that it comes out differently at every place
// is drawn alone on the background, at its own place and with the
// picture's clip, and the pixels it changes are its own.
void PageTruth::markGlyphAlone(QPoint at, unsigned char byte, int clipHeight, std::int32_t owner)
{
    const GlyphCache::Cell &cell = m_glyphs->ReadyCell(byte);
    const int margin = m_glyphs->Margin();
    const QRect reach = clipped(std::int64_t(at.x()) - margin, std::int64_t(at.y()) - margin,
                                std::int64_t(cell.advance) + 2 * margin, std::int64_t(m_glyphs->CellHeight()) + 2 * margin,
                                m_width, clipHeight);
    if (reach.width() <= 0 || reach.height() <= 0)
        return;
    if (m_alone.width() != m_width || m_alone.height() != m_rows) {
        m_alonePainter.reset();
        m_alone = QImage(m_width, m_rows, QImage::Format_RGB32);
        m_alone.fill(m_glyphs->Background());
    }
    // The painter stays open for the picture; it works on the rows above
    // the clip height, as the picture's own painter does.
    if (m_alonePainter && m_aloneRows != clipHeight)
        m_alonePainter.reset();
    if (!m_alonePainter) {
        m_aloneView = QImage(m_alone.bits(), m_width, clipHeight, m_alone.bytesPerLine(), QImage::Format_RGB32);
        m_aloneRows = clipHeight;
        m_alonePainter = std::make_unique<QPainter>(&m_aloneView);
        m_alonePainter->setFont(QFont(m_glyphs->Font()));
        m_alonePainter->setPen(QColor(m_glyphs->Foreground()));
    }
    m_alonePainter->drawText(at.x(), at.y() + m_glyphs->Ascent(), QString(QChar(m_glyphs->CharOf(byte))));
    const QRgb background = m_glyphs->Background();
    for (int y = reach.top(); y <= reach.bottom(); ++y) {
        auto *alone = reinterpret_cast<QRgb *>(m_alone.scanLine(y));
        std::int32_t *row = m_owner.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width);
        for (int x = reach.left(); x <= reach.right(); ++x) {
            if (alone[x] != background) {
                row[x] = owner;
                alone[x] = background;
                m_marks.back().reach.take(x, y);
            }
        }
    }
}

const std::vector<std::size_t> &PageTruth::placesOf(unsigned char byte, const GlyphCache::Cell &cell)
{
    Places &places = m_places[byte];
    if (places.glyphs != m_glyphs->Serial() || places.width != m_width) {
        places.glyphs = m_glyphs->Serial();
        places.width = m_width;
        places.offsets.clear();
        for (const QPoint offset : cell.ink)
            places.offsets.push_back(static_cast<std::size_t>(offset.y() - cell.inkBox.y()) * static_cast<std::size_t>(m_width) + static_cast<std::size_t>(offset.x() - cell.inkBox.x()));
    }
    return places.offsets;
}

void PageTruth::Grow(int before, int after)
{
    // Rows a picture gets anew hold no glyph; rows it loses are gone.
    const int from = std::clamp(before, 0, std::max(after, 0));
    m_height = std::clamp(after, 0, m_rows);
    own(clipped(0, from, m_width, m_height - from, m_width, m_height), -1);
}

void PageTruth::EndLine()
{
    m_lineOpen = false;
}

// The box of the character's glyph pixels that still hold its tag: those no
// later character covered.
QRect PageTruth::visibleInk(const Mark &mark, std::int32_t tag)
{
    Reach visible;
    const std::int32_t *const map = m_owner.data();
    if (mark.alone) {
        const std::int32_t owner = aloneGlyphOf(tag);
        const int bottom = std::min(mark.reach.bottom, m_height - 1);
        for (int y = mark.reach.top; y <= bottom; ++y) {
            const std::int32_t *row = map + static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width);
            const std::int32_t *first = std::find(row + mark.reach.left, row + mark.reach.right + 1, owner);
            if (first == row + mark.reach.right + 1)
                continue;
            const std::int32_t *last = row + mark.reach.right;
            while (*last != owner)
                --last;
            visible.take(static_cast<int>(first - row), y);
            visible.take(static_cast<int>(last - row), y);
        }
    } else if (mark.whole && mark.reach.bottom < m_height) {
        // Its pixels are read at their places, without a check each.
        const GlyphCache::Cell &cell = m_glyphs->ReadyCell(mark.byte);
        const std::vector<std::size_t> &places = placesOf(mark.byte, cell);
        const std::int32_t *const corner = map + mark.corner;
        const QPoint origin = QPoint(mark.reach.left, mark.reach.top) - cell.inkBox.topLeft();
        for (std::size_t point = 0; point < places.size(); ++point) {
            if (corner[places[point]] >> 1 == tag)
                visible.take(origin.x() + cell.ink[point].x(), origin.y() + cell.ink[point].y());
        }
    } else {
        const GlyphCache::Cell &cell = m_glyphs->ReadyCell(mark.byte);
        const int clip = std::min(mark.clip, m_height);
        for (const QPoint offset : cell.ink) {
            const std::int64_t x = std::int64_t(mark.at.x()) + offset.x();
            const std::int64_t y = std::int64_t(mark.at.y()) + offset.y();
            if (x >= 0 && y >= 0 && x < m_width && y < clip
                && map[static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) + static_cast<std::size_t>(x)] >> 1 == tag)
                visible.take(static_cast<int>(x), static_cast<int>(y));
        }
    }
    return visible.right < 0 ? QRect() : QRect(QPoint(visible.left, visible.top), QPoint(visible.right, visible.bottom));
}

void PageTruth::Finish()
{
    for (std::size_t ordinal = 0; ordinal < m_marks.size(); ++ordinal) {
        const Mark &mark = m_marks[ordinal];
        m_lines[mark.line].characters[mark.position].ink = visibleInk(mark, m_firstTag + static_cast<std::int32_t>(ordinal));
    }
    for (Line &line : m_lines) {
        line.box = QRect();
        for (const Character &character : line.characters)
            line.box = line.box.united(character.ink);
    }
}
