#pragma once

#include "GlyphCache.h"

#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QRect>
#include <algorithm>
#include <array>
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
    // A character drawn on this picture, as Finish() needs it.
    struct Mark
    {
        // Where its Character is.
        std::size_t line = 0;
        std::size_t position = 0;
        // Its cell's top-left as drawn and the picture's height then.
        QPoint at;
        int clip = 0;
        unsigned char byte = 0;
        bool alone = false;
        // All of its glyph lay inside the picture: its pixels are then at
        // their places from the map's index `corner`.
        bool whole = false;
        std::size_t corner = 0;
        // The box of the pixels it took: only there can it still show.
        Reach reach;
    };

    void own(const QRect &area, std::int32_t owner);
    void markGlyphAlone(QPoint at, unsigned char byte, int clipHeight, std::int32_t owner);
    QRect visibleInk(const Mark &mark, std::int32_t tag);
    // The places in the map of the glyph's pixels, from its box's top-left.
    const std::vector<std::size_t> &placesOf(unsigned char byte, const GlyphCache::Cell &cell);

    const GlyphCache *m_glyphs = nullptr;
    int m_width = 0;
    int m_height = 0;
    int m_rows = 0;
    // For each pixel, what was drawn there last: 2t for the cell of the
    // character with the tag t, 2t + 1 for a pixel of its glyph drawn alone,
    // -1 for nothing. Tags go on from picture to picture, so that the map
    // is cleared only when its size changes.
    std::vector<std::int32_t> m_owner;
    std::int32_t m_firstTag = 0;
    std::int32_t m_nextTag = 0;
    std::vector<Line> m_lines;
    std::vector<Mark> m_marks;
    struct Places
    {
        std::uint64_t glyphs = 0;
        int width = -1;
        std::vector<std::size_t> offsets;
    };
    std::array<Places, 256> m_places;
    bool m_lineOpen = false;
    // The background, where a glyph that leaves its cell is drawn alone.
    QImage m_alone;
    QImage m_aloneView;
    int m_aloneRows = 0;
    std::unique_ptr<QPainter> m_alonePainter;
};
