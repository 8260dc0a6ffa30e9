#pragma once

#include "CharacterText.h"
#include "ClippedPainter.h"
#include "GlyphCache.h"
#include "OwnerMap.h"
#include "RenderJob.h"

#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QPolygonF>
#include <QRect>
#include <cstdint>
#include <functional>
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
        // Position in the text and its code.
        qsizetype index = 0;
        CharCode code = 0;
        // The opaque cell as drawn, each edge clipped to the picture (with
        // no size on the nearest edge when none of it is inside).
        QRect cell;
        // The bounding box of the visible glyph pixels; empty when none is.
        QRect ink;
        // Drawn in a pose: the four corners of its cell as turned and
        // sized, clockwise from the top-left; empty otherwise.
        QPolygonF quad;
    };
    struct Line
    {
        std::vector<Character> characters;
        // The union of the characters' ink boxes.
        QRect box;
    };

    // Starts a picture of this width and height in use (and room for rows
    // rows, when it grows), drawn with the job's glyphs.
    void Begin(const RenderJob &job, int width, int height, int rows);
    // Follows the drawing: a character drawn with its cell's top-left at
    // `at` while the picture was clipHeight high, the picture growing, the
    // end of a line.
    void Draw(qsizetype index, QPoint at, CharCode code, int clipHeight);
    // The same for a character drawn in a pose (GlyphPainter's posed Draw).
    void Draw(qsizetype index, QPoint at, CharCode code, int clipHeight, const CharacterPose &pose);
    void Grow(int before, int after);
    void EndLine();
    // Works out the ink boxes and line boxes; the lines are then complete.
    // With owners, also which character each visible glyph pixel shows
    // (numbered in reading order over the lines), in a map of the picture's size.
    void Finish(OwnerMap *owners = nullptr);
    // After page effects moved the pixels: each character's ink box made
    // the box of the pixels it owns (its number's box), each quad's corners
    // moved by forward, each line's box made anew.
    void Moved(const OwnerBoxes &owned, const std::function<QPointF(QPointF)> &forward);
    // The same from a map of the owners.
    void Moved(const OwnerMap &owners, const std::function<QPointF(QPointF)> &forward);

    // The picture's lines in reading order, each ended by a CR, a wrap or
    // the end of the picture; lines without a character are left out.
    const std::vector<Line> &Lines() const { return m_lines; }

private:
    // A glyph's pixels as rows of bits, bit 0 of a row's first word its
    // left column, placed at (left, top) from where the character is drawn.
    struct InkMask
    {
        int left = 0;
        int top = 0;
        int width = 0;
        int height = 0;
        std::size_t first = 0; // its first word in m_bits
        int WordsPerRow() const { return (width + 63) / 64; }
    };
    // What drawing the picture did, in order: a character drawn, or rows
    // made anew by growing.
    struct Event
    {
        // A character: where its entry is, where it was drawn with which
        // clip, and its glyph's pixels; or the rows [clip, growTo) cleared.
        std::size_t line = 0;
        std::size_t position = 0;
        QPoint at;
        int clip = 0;
        int mask = -1;
        int growTo = -1;
    };

    // Each line's box made the union of its characters' ink boxes.
    void boxLines();
    int glyphMask(CharCode code);
    int newMask(int left, int top, int width, int height);
    void setBit(const InkMask &mask, int x, int y);
    int markGlyphAlone(QPoint at, const GlyphCache::Cell &cell, int clipHeight);
    int markPosedGlyph(QPoint at, const GlyphCache::Cell &cell, int clipHeight, const CharacterPose &pose);
    Character &open(qsizetype index, QPoint at, CharCode code, int clip);

    const GlyphCache *m_glyphs = nullptr;
    const RenderJob *m_job = nullptr;
    int m_width = 0;
    int m_height = 0;
    int m_rows = 0;
    std::vector<Line> m_lines;
    std::vector<Event> m_events;
    std::vector<InkMask> m_masks;
    std::vector<std::uint64_t> m_bits;
    // Each code's glyph as a mask in this picture, or -1 until it is made.
    std::vector<int> m_glyphMasks;
    // Finish's map of the pixels that a later character or growing covers.
    std::vector<std::uint64_t> m_covered;
    bool m_lineOpen = false;
    // The background, where a glyph that leaves its cell is drawn alone.
    QImage m_alone;
    ClippedPainter m_alonePainter;
};
