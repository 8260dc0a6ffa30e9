#include "GlyphCache.h"

#include "CodePage.h"

#include <QFontInfo>
#include <QGlyphRun>
#include <QTextLayout>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <atomic>

namespace {

std::uint64_t nextSerial()
{
    static std::atomic<std::uint64_t> last{0};
    return ++last;
}

} // namespace

std::shared_ptr<GlyphCache> GlyphCache::For(const FontObject &font, QRgb background)
{
    // A handful of fonts is in use at a time; keep the most recent ones.
    static std::vector<std::shared_ptr<GlyphCache>> recent;
    const QRgb foreground = ColourToRgb(font.Color());
    for (auto it = recent.begin(); it != recent.end(); ++it) {
        if ((*it)->Matches(font, background)) {
            auto found = *it;
            recent.erase(it);
            recent.insert(recent.begin(), found);
            return found;
        }
    }
    std::shared_ptr<GlyphCache> made(new GlyphCache(font, foreground, background));
    recent.insert(recent.begin(), made);
    if (recent.size() > 8)
        recent.pop_back();
    return made;
}

GlyphCache::GlyphCache(const FontObject &font, QRgb foreground, QRgb background)
    : m_serial(nextSerial()),
      m_fontObject(font),
      m_font(font.ToQFont()),
      m_fontAlone(m_font),
      m_foreground(foreground),
      m_background(background),
      m_table(&CharsetTable(font.Charset()))
{
    const QFontMetrics metrics(m_font);
    m_ascent = metrics.ascent();
    m_cellHeight = metrics.ascent() + metrics.descent();
    m_margin = std::max({m_cellHeight, metrics.maxWidth(), 8});
    m_raw = QRawFont::fromFont(m_font);
    m_fontAlone.setStyleStrategy(QFont::NoFontMerging);
}

bool GlyphCache::Matches(const FontObject &font, QRgb background) const
{
    return background == m_background && ColourToRgb(font.Color()) == m_foreground
        && font.Name() == m_fontObject.Name() && font.Height() == m_fontObject.Height()
        && font.Style() == m_fontObject.Style() && font.Pitch() == m_fontObject.Pitch()
        && font.Charset() == m_fontObject.Charset();
}

const GlyphCache::Cell &GlyphCache::CellOf(unsigned char byte)
{
    Cell &cell = m_cells[byte];
    if (!cell.ready) {
        cell.text = QString(QChar((*m_table)[byte]));
        render(cell);
    }
    return cell;
}

const GlyphCache::Cell &GlyphCache::CellOf(const QString &character)
{
    std::unique_ptr<Cell> &made = m_characterCells[character];
    if (!made) {
        made = std::make_unique<Cell>();
        made->text = character;
        if (!Covers(character))
            made->fallbackFamily = familyDrawing(character);
        render(*made);
    }
    return *made;
}

bool NeedsGlyph(char32_t point)
{
    const QChar::Category category = QChar::category(point);
    if (category == QChar::Other_Control || category == QChar::Other_Format)
        return false;
    // Variation selectors choose among glyphs; a font need not know them.
    return !((point >= 0xFE00 && point <= 0xFE0F) || (point >= 0xE0100 && point <= 0xE01EF));
}

bool GlyphCache::Covers(const QString &character) const
{
    for (const char32_t point : character.toUcs4()) {
        if (NeedsGlyph(point) && (!m_raw.isValid() || !m_raw.supportsCharacter(point)))
            return false;
    }
    return true;
}

// The family the system draws the text with in this font's place: the one
// of its first glyph run that is not the font's own.
QString GlyphCache::familyDrawing(const QString &text) const
{
    QTextLayout layout(text, m_font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    const QString own = m_raw.familyName();
    for (const QGlyphRun &run : layout.glyphRuns()) {
        const QString family = run.rawFont().familyName();
        if (family != own)
            return family;
    }
    return {};
}

// The cell is drawn exactly as TextOut draws it into a picture, with a margin
// of background around it; any pixel in the margin that is not background
// means the glyph leaves its cell.
void GlyphCache::render(Cell &cell)
{
    const QString &text = cell.text;
    // Qt looks for a control character the font lacks in every other font
    // it has loaded so far, and one of them may map it to nothing: the
    // character would come out as the font's missing-glyph box or as
    // nothing, with another width, depending on what was drawn before in
    // the process. Drawn with the font alone it is always the box, as in a
    // fresh process.
    cell.fontAlone = text.size() == 1 && text[0].unicode() < 0x20;
    cell.advance = QFontMetrics(FontOf(cell)).horizontalAdvance(text);
    cell.ready = true;
    cell.contained = false;
    // Qt draws glyphs above 64 pixels from their outlines, and their edges
    // then come out a little differently at every position: such a glyph is
    // drawn where it goes, never copied. So are the cells of huge fonts (a
    // hand-edited setup can ask for any size).
    constexpr int largestSameEverywhere = 64;
    if (QFontInfo(m_font).pixelSize() > largestSameEverywhere)
        return;
    const int width = cell.advance + 2 * m_margin;
    const int height = m_cellHeight + 2 * m_margin;
    QImage scratch(width, height, QImage::Format_RGB32);
    if (scratch.isNull())
        return;
    scratch.fill(m_background);
    {
        QPainter painter(&scratch);
        painter.setFont(FontOf(cell));
        painter.setPen(QColor(m_foreground));
        painter.drawText(m_margin, m_margin + m_ascent, text);
    }
    cell.contained = true;
    cell.inkKnown = true;
    for (int y = 0; y < height; ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(scratch.constScanLine(y));
        const bool insideRows = y >= m_margin && y < m_margin + m_cellHeight;
        for (int x = 0; x < width; ++x) {
            if (row[x] == m_background)
                continue;
            cell.ink.emplace_back(x - m_margin, y - m_margin);
            cell.inkBox |= QRect(x - m_margin, y - m_margin, 1, 1);
            const bool inside = insideRows && x >= m_margin && x < m_margin + cell.advance;
            cell.contained = cell.contained && inside;
        }
    }
    if (cell.contained) {
        cell.pixels.resize(static_cast<std::size_t>(cell.advance) * m_cellHeight);
        for (int y = 0; y < m_cellHeight; ++y) {
            const auto *row = reinterpret_cast<const QRgb *>(scratch.constScanLine(y + m_margin));
            std::copy(row + m_margin, row + m_margin + cell.advance,
                      cell.pixels.begin() + static_cast<std::ptrdiff_t>(y) * cell.advance);
        }
    }
}
