#pragma once

#include "FontObject.h"

#include <QFont>
#include <QPoint>
#include <QRect>
#include <QRgb>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

// Text cells of one font in one pair of colours, rendered once per byte.
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
    // A cell rendered before by CellOf: what workers on other threads read
    // while nothing renders.
    const Cell &ReadyCell(unsigned char byte) const { return m_cells[byte]; }
    int CellHeight() const { return m_cellHeight; }
    int Ascent() const { return m_ascent; }
    // How far any glyph may reach outside its cell.
    int Margin() const { return m_margin; }
    const QFont &Font() const { return m_font; }
    QRgb Foreground() const { return m_foreground; }
    QRgb Background() const { return m_background; }
    char16_t CharOf(unsigned char byte) const { return (*m_table)[byte]; }

private:
    GlyphCache(const FontObject &font, QRgb foreground, QRgb background);
    void render(unsigned char byte, Cell &cell);

    FontObject m_fontObject;
    QFont m_font;
    QRgb m_foreground;
    QRgb m_background;
    const std::array<char16_t, 256> *m_table;
    int m_ascent;
    int m_cellHeight;
    int m_margin;
    std::array<Cell, 256> m_cells;
};
