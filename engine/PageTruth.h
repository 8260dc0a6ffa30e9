#pragma once

#include "GlyphCache.h"

#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QRect>
#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>
#include <vector>

// What a picture shows, character by character, as it is drawn: where each
// character's opaque cell went and which of its glyph's pixels are still
// visible when the picture is done. A glyph pixel is one that drawing the
// character alone at its place on the background would change; it stays
// visible unless a later character's cell or glyph covers it (noise does
// not count). One recorder is used by one thread, for one picture at a time.
class PageTruth
{
public:
    struct Character
    {
        // Position in the text and its byte.
        qsizetype index = 0;
        unsigned char byte = 0;
        // The opaque cell as drawn, each edge clipped to the picture (with
        // no size on the nearest edge when none of it is inside).
        QRect cell;
        // The bounding box of the visible glyph pixels; empty when none is.
        QRect ink;
    };
    struct Line
    {
        std::vector<Character> characters;
        // The union of the characters' ink boxes.
        QRect box;
    };

    // Starts a picture of this width and height in use (and room for rows
    // rows, when it grows), drawn with these glyphs.
    void Begin(const GlyphCache &glyphs, int width, int height, int rows);
    // Follows the drawing: a character drawn with its cell's top-left at
    // `at` while the picture was clipHeight high, the picture growing, the
    // end of a line.
    void Draw(qsizetype index, QPoint at, unsigned char byte, int clipHeight);
    void Grow(int before, int after);
    void EndLine();
    // Works out the ink boxes and line boxes; the lines are then complete.
    void Finish();

    // The picture's lines in reading order, each ended by a CR, a wrap or
    // the end of the picture; lines without a character are left out.
    const std::vector<Line> &Lines() const { return m_lines; }

private:
    void own(const QRect &area, std::int32_t owner);
    void markGlyphAlone(QPoint at, unsigned char byte, int clipHeight, std::int32_t owner);

    const GlyphCache *m_glyphs = nullptr;
    int m_width = 0;
    int m_height = 0;
    int m_rows = 0;
    // For each pixel, the number of the character whose glyph shows there
    // (in drawing order on this picture), or -1.
    std::vector<std::int32_t> m_owner;
    std::vector<Line> m_lines;
    // Where each character drawn is, as (line, position in the line).
    std::vector<std::pair<std::size_t, std::size_t>> m_drawn;
    // For each character drawn, the box of the pixels it took: only there
    // can it still show when the picture is done.
    struct Reach
    {
        int left = INT_MAX;
        int top = INT_MAX;
        int right = -1;
        int bottom = -1;
        void take(int x, int y)
        {
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    };
    std::vector<Reach> m_reach;
    bool m_lineOpen = false;
    // The background, where a glyph that leaves its cell is drawn alone.
    QImage m_alone;
    QImage m_aloneView;
    int m_aloneRows = 0;
    std::unique_ptr<QPainter> m_alonePainter;
};
