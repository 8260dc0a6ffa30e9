#pragma once

#include "CodePage.h"
#include "FontObject.h"

#include <QFont>
#include <QPoint>
#include <QRect>
#include <QRawFont>
#include <QRgb>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

// Whether a font must have a glyph for the code point to draw it: control
// and format characters and variation selectors need none.
bool NeedsGlyph(char32_t codePoint);

// Text cells of one font in one pair of colours, rendered once per
// character: a byte of the font's code page, or any cluster of Unicode text.
// A cell whose glyph stays inside it is copied straight into the bitmap;
// a glyph that reaches outside its cell (italic overhang, a "j" below the
// line to the left) has to be blended over what is already there, so those
// are drawn with QPainter as they come.
class GlyphCache
{
public:
    struct Cell
    {
        bool ready = false;
        // What the cell shows.
        QString text;
        // The family that draws it when the font lacks it and the system
        // finds another; empty when the font itself draws it.
        QString fallbackFamily;
        // Drawn with the font alone, never with a font the system finds in
        // its place (see GlyphCache::render).
        bool fontAlone = false;
        bool contained = false;
        int advance = 0;
        std::vector<QRgb> pixels; // advance x cellHeight, only when contained
        // The pixels the glyph changes when drawn alone on the background,
        // from the cell's top-left corner; known for every glyph that is the
        // same wherever it is drawn.
        bool inkKnown = false;
        std::vector<QPoint> ink;
        QRect inkBox; // the box of those pixels

    };

    // The cache for this font and colours; caches are shared between
    // pictures and conversions.
    static std::shared_ptr<GlyphCache> For(const FontObject &font, QRgb background);

    bool Matches(const FontObject &font, QRgb background) const;

    // The cell of the byte, rendered on first use.
    const Cell &CellOf(unsigned char byte);
    // The cell of a character of Unicode text, rendered on first use; it
    // stays where it is while the cache lives.
    const Cell &CellOf(const QString &character);
    // Whether the font itself has a glyph for every code point of the
    // character (control and format characters need none).
    bool Covers(const QString &character) const;
    // A cell rendered before by CellOf: what workers on other threads read
    // while nothing renders.
    const Cell &ReadyCell(unsigned char byte) const { return m_cells[byte]; }
    int CellHeight() const { return m_cellHeight; }
    int Ascent() const { return m_ascent; }
    // How far any glyph may reach outside its cell.
    int Margin() const { return m_margin; }
    const QFont &Font() const { return m_font; }
    // A number no other cache of the process has.
    std::uint64_t Serial() const { return m_serial; }
    // The font the cell is drawn and measured with.
    const QFont &FontOf(const Cell &cell) const { return cell.fontAlone ? m_fontAlone : m_font; }
    QRgb Foreground() const { return m_foreground; }
    QRgb Background() const { return m_background; }
    const ByteToUnicode &CodePage() const { return *m_table; }

private:
    GlyphCache(const FontObject &font, QRgb foreground, QRgb background);
    void render(Cell &cell);
    QString familyDrawing(const QString &text) const;

    std::uint64_t m_serial;
    FontObject m_fontObject;
    QFont m_font;
    QFont m_fontAlone;
    QRgb m_foreground;
    QRgb m_background;
    const std::array<char16_t, 256> *m_table;
    int m_ascent;
    int m_cellHeight;
    int m_margin;
    QRawFont m_raw;
    std::array<Cell, 256> m_cells;
    std::unordered_map<QString, std::unique_ptr<Cell>> m_characterCells;
};
