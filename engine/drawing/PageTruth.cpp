#include "PageTruth.h"

#include "GlyphPainter.h"
#include "PosedGlyphs.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <bit>
#include <climits>
#include <cstdint>

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

// The box of the pixels seen so far.
struct Extent
{
    std::int64_t left = INT_MAX;
    std::int64_t top = INT_MAX;
    std::int64_t right = -1;
    std::int64_t bottom = -1;
    void take(std::int64_t x, std::int64_t y)
    {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
    }
    QRect Box() const
    {
        return right < 0 ? QRect()
                         : QRect(QPoint(static_cast<int>(left), static_cast<int>(top)),
                                 QPoint(static_cast<int>(right), static_cast<int>(bottom)));
    }
};

// The bits from..to (inclusive) of a row's word `word`.
std::uint64_t bitsOfWord(int word, int from, int to)
{
    const int first = std::max(from - 64 * word, 0);
    const int last = std::min(to - 64 * word, 63);
    if (first > last)
        return 0;
    const std::uint64_t upTo = last == 63 ? ~std::uint64_t(0) : (std::uint64_t(1) << (last + 1)) - 1;
    return upTo & ~((std::uint64_t(1) << first) - 1);
}

} // namespace

void PageTruth::Begin(const RenderJob &job, int width, int height, int rows)
{
    m_job = &job;
    m_glyphs = job.glyphs.get();
    m_width = std::max(width, 0);
    m_height = std::max(height, 0);
    m_rows = std::max(rows, m_height);
    m_lines.clear();
    m_events.clear();
    m_masks.clear();
    m_bits.clear();
    // A new picture may come with new glyphs.
    m_glyphMasks.assign(job.cells.size(), -1);
    m_lineOpen = false;
    m_alonePainter.Close();
}

int PageTruth::newMask(int left, int top, int width, int height)
{
    InkMask mask{left, top, std::max(width, 0), std::max(height, 0), m_bits.size()};
    m_bits.resize(m_bits.size() + static_cast<std::size_t>(mask.WordsPerRow()) * static_cast<std::size_t>(mask.height));
    m_masks.push_back(mask);
    return static_cast<int>(m_masks.size() - 1);
}

void PageTruth::setBit(const InkMask &mask, int x, int y)
{
    const int column = x - mask.left;
    const std::size_t word = mask.first + static_cast<std::size_t>(y - mask.top) * static_cast<std::size_t>(mask.WordsPerRow()) +
                             static_cast<std::size_t>(column / 64);
    m_bits[word] |= std::uint64_t(1) << (column % 64);
}

int PageTruth::glyphMask(CharCode code)
{
    int &made = m_glyphMasks[code];
    if (made >= 0)
        return made;
    const GlyphCache::Cell &cell = m_job->CellOf(code);
    const QRect &box = cell.inkBox;
    made = newMask(box.x(), box.y(), box.width(), box.height());
    for (const QPoint offset : cell.ink)
        setBit(m_masks[static_cast<std::size_t>(made)], offset.x(), offset.y());
    return made;
}

PageTruth::Character &PageTruth::open(qsizetype index, QPoint at, CharCode code, int clip)
{
    if (!m_lineOpen) {
        m_lines.emplace_back();
        m_lineOpen = true;
    }
    const GlyphCache::Cell &cell = m_job->CellOf(code);
    Character character;
    character.index = index;
    character.code = code;
    character.cell = clipped(at.x(), at.y(), cell.advance, m_glyphs->CellHeight(), m_width, clip);
    Event drawn;
    drawn.line = m_lines.size() - 1;
    drawn.position = m_lines.back().characters.size();
    drawn.clip = clip;
    m_events.push_back(drawn);
    return m_lines.back().characters.emplace_back(character);
}

void PageTruth::Draw(qsizetype index, QPoint at, CharCode code, int clipHeight)
{
    const int clip = std::clamp(clipHeight, 0, m_height);
    open(index, at, code, clip);
    const GlyphCache::Cell &cell = m_job->CellOf(code);
    Event &drawn = m_events.back();
    if (cell.inkKnown) {
        drawn.at = at;
        drawn.mask = glyphMask(code);
    } else {
        // Its mask lies where its pixels are in the picture.
        drawn.mask = markGlyphAlone(at, cell, clip);
    }
}

void PageTruth::Draw(qsizetype index, QPoint at, CharCode code, int clipHeight, const CharacterPose &pose)
{
    const int clip = std::clamp(clipHeight, 0, m_height);
    const QPoint moved = at + QPoint(0, pose.drift);
    Character &character = open(index, moved, code, clip);
    const GlyphCache::Cell &cell = m_job->CellOf(code);
    character.quad = PosedCell(pose, at, cell.advance, m_glyphs->CellHeight());
    m_events.back().mask = markPosedGlyph(moved, cell, clip, pose);
}

// A posed glyph's pixels are those its coverage changes from the
// background, as GlyphPainter draws it: the mask made of them, or -1 when
// none lies inside the picture's clip.
int PageTruth::markPosedGlyph(QPoint at, const GlyphCache::Cell &cell, int clipHeight, const CharacterPose &pose)
{
    const PosedMask &posed = PosedGlyph(*m_glyphs, cell, pose);
    const QRect reach = clipped(std::int64_t(at.x()) + posed.box.left(), std::int64_t(at.y()) + posed.box.top(),
                                posed.box.width(), posed.box.height(), m_width, clipHeight);
    if (reach.width() <= 0 || reach.height() <= 0)
        return -1;
    const int made = newMask(reach.left(), reach.top(), reach.width(), reach.height());
    const InkMask &mask = m_masks.back();
    const int visible = FirstVisibleCoverage(m_glyphs->Background(), pose.colour);
    std::uint64_t *words = m_bits.data() + mask.first;
    for (int y = reach.top(); y <= reach.bottom(); ++y, words += mask.WordsPerRow()) {
        const std::uint8_t *coverage = posed.coverage.data()
                                       + static_cast<std::size_t>(y - at.y() - posed.box.top()) * posed.box.width()
                                       + (reach.left() - at.x() - posed.box.left());
        for (int column = 0; column < reach.width(); ++column)
            words[column / 64] |= static_cast<std::uint64_t>(coverage[column] >= visible) << (column % 64);
    }
    return made;
}

// A glyph of a font so large that it comes out differently at every place
// is drawn alone on the background, at its own place and with the
// picture's clip, and the pixels it changes are its own: the mask made of
// them, or -1 when none can change.
int PageTruth::markGlyphAlone(QPoint at, const GlyphCache::Cell &cell, int clipHeight)
{
    const int margin = m_glyphs->Margin();
    const QRect reach = clipped(std::int64_t(at.x()) - margin, std::int64_t(at.y()) - margin,
                                std::int64_t(cell.advance) + 2 * margin, std::int64_t(m_glyphs->CellHeight()) + 2 * margin,
                                m_width, clipHeight);
    if (reach.width() <= 0 || reach.height() <= 0)
        return -1;
    if (m_alone.width() != m_width || m_alone.height() != m_rows) {
        m_alonePainter.Close();
        m_alone = QImage(m_width, m_rows, QImage::Format_RGB32);
        m_alone.fill(m_glyphs->Background());
    }
    // Drawn with the picture's clip, as the picture's own painter does.
    QPainter &alone = m_alonePainter.On(m_alone.bits(), m_width, m_alone.bytesPerLine(), clipHeight, *m_glyphs);
    DrawCellText(alone, at, cell, *m_glyphs);

    const int made = newMask(reach.left(), reach.top(), reach.width(), reach.height());
    const InkMask &mask = m_masks.back();
    const QRgb background = m_glyphs->Background();
    for (int y = reach.top(); y <= reach.bottom(); ++y) {
        auto *alone = reinterpret_cast<QRgb *>(m_alone.scanLine(y));
        for (int x = reach.left(); x <= reach.right(); ++x) {
            if (alone[x] != background) {
                setBit(mask, x, y);
                alone[x] = background;
            }
        }
    }
    return made;
}

void PageTruth::Grow(int before, int after)
{
    // Rows a picture gets anew hold no glyph; rows it loses are gone.
    const int from = std::clamp(before, 0, std::max(after, 0));
    m_height = std::clamp(after, 0, m_rows);
    if (from < m_height) {
        Event grown;
        grown.clip = from;
        grown.growTo = m_height;
        m_events.push_back(grown);
    }
}

void PageTruth::EndLine()
{
    m_lineOpen = false;
}

void PageTruth::Finish(OwnerMap *owners)
{
    // Each character's number in reading order, for the owner map.
    std::vector<std::int32_t> firstOfLine;
    if (owners) {
        *owners = OwnerMap(m_width, m_rows);
        std::int32_t count = 0;
        for (const Line &line : m_lines) {
            firstOfLine.push_back(count);
            count += static_cast<std::int32_t>(line.characters.size());
        }
    }
    // A glyph pixel stays visible unless a later character's cell or glyph
    // covers it, or growing clears its row. Going through the drawing
    // backwards with a bit a pixel for what is covered from then on, each
    // glyph is looked at once, a word of its row at a time, and no map of
    // every pixel's owner is kept (which a growing picture would make as
    // large as the picture itself).
    const int words = (m_width + 63) / 64;
    const auto wordsPerRow = static_cast<std::size_t>(words);
    const std::uint64_t beyondWidth = words == 0 ? 0 : ~bitsOfWord(words - 1, 0, m_width - 1);
    m_covered.assign(wordsPerRow * static_cast<std::size_t>(m_rows), 0);
    const auto row = [&](std::int64_t y) { return m_covered.data() + static_cast<std::size_t>(y) * wordsPerRow; };
    // Columns beyond the width and rows below the picture are never seen.
    for (int y = 0; y < m_rows; ++y) {
        if (words > 0)
            row(y)[words - 1] = beyondWidth;
        if (y >= m_height)
            std::fill(row(y), row(y) + words, ~std::uint64_t(0));
    }
    const auto cover = [&](const QRect &area) {
        for (int word = area.left() / 64; word <= area.right() / 64 && word < words; ++word) {
            const std::uint64_t bits = bitsOfWord(word, area.left(), area.right());
            for (int y = area.top(); y <= area.bottom(); ++y)
                row(y)[word] |= bits;
        }
    };

    for (auto event = m_events.rbegin(); event != m_events.rend(); ++event) {
        if (event->growTo >= 0) {
            cover(QRect(0, event->clip, m_width, event->growTo - event->clip));
            continue;
        }
        Character &character = m_lines[event->line].characters[event->position];
        const std::int32_t number =
            owners ? firstOfLine[event->line] + static_cast<std::int32_t>(event->position) : -1;
        Extent visible;
        if (event->mask >= 0) {
            const InkMask &mask = m_masks[static_cast<std::size_t>(event->mask)];
            const int maskWords = mask.WordsPerRow();
            const std::int64_t left = std::int64_t(event->at.x()) + mask.left;
            const std::int64_t top = std::int64_t(event->at.y()) + mask.top;
            const std::uint64_t *bits = m_bits.data() + mask.first;
            for (int r = 0; r < mask.height; ++r, bits += maskWords) {
                const std::int64_t y = top + r;
                if (y < 0)
                    continue;
                if (y >= event->clip)
                    break;
                std::uint64_t *covered = row(y);
                // Each word of the glyph's row lands on one or two words of
                // the picture's row; what is not covered there shows.
                const auto land = [&](std::uint64_t glyph, std::int64_t word) {
                    const std::uint64_t shows = glyph & ~covered[word];
                    if (shows != 0) {
                        visible.take(64 * word + std::countr_zero(shows), y);
                        visible.take(64 * word + 63 - std::countl_zero(shows), y);
                        for (std::uint64_t rest = shows; owners && rest != 0; rest &= rest - 1)
                            owners->Add(static_cast<int>(64 * word + std::countr_zero(rest)), static_cast<int>(y), number);
                    }
                    covered[word] |= glyph;
                };
                for (int k = 0; k < maskWords; ++k) {
                    const std::uint64_t glyph = bits[k];
                    const std::int64_t x = left + 64 * k;
                    if (glyph == 0 || x + 64 <= 0)
                        continue;
                    if (x >= m_width)
                        break;
                    if (x < 0) {
                        land(glyph >> -x, 0);
                        continue;
                    }
                    const std::int64_t word = x / 64;
                    const int shift = static_cast<int>(x % 64);
                    land(glyph << shift, word);
                    if (shift != 0 && word + 1 < words)
                        land(glyph >> (64 - shift), word + 1);
                }
            }
        }
        character.ink = visible.Box();
        // The cell is opaque: it covers whatever glyph was there before.
        if (!character.cell.isEmpty())
            cover(character.cell);
    }
    boxLines();
}

void PageTruth::Moved(const OwnerMap &owners, const std::function<QPointF(QPointF)> &forward)
{
    OwnerBoxes owned;
    owned.TakeMap(owners);
    Moved(owned, forward);
}

void PageTruth::Moved(const OwnerBoxes &owned, const std::function<QPointF(QPointF)> &forward)
{
    std::vector<Character *> numbered;
    for (Line &line : m_lines) {
        for (Character &character : line.characters)
            numbered.push_back(&character);
    }
    for (std::size_t i = 0; i < numbered.size(); ++i) {
        Character &character = *numbered[i];
        character.ink = owned.BoxOf(i);
        // An upright character's quad is its cell.
        if (character.quad.isEmpty()) {
            const QRectF cell(character.cell);
            character.quad = QPolygonF({cell.topLeft(), cell.topRight(), cell.bottomRight(), cell.bottomLeft()});
        }
        for (QPointF &corner : character.quad)
            corner = forward(corner);
    }
    boxLines();
}

void PageTruth::boxLines()
{
    for (Line &line : m_lines) {
        Extent inked;
        for (const Character &character : line.characters) {
            if (!character.ink.isNull()) {
                inked.take(character.ink.left(), character.ink.top());
                inked.take(character.ink.right(), character.ink.bottom());
            }
        }
        line.box = inked.Box();
    }
}
