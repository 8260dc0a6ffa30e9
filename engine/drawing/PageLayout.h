#pragma once

#include "LumoRandom.h"
#include "RenderJob.h"
#include "WrapInt.h"

#include <QPoint>
#include <cstdint>
#include <functional>
#include <vector>

// Where every character of a text lands. One walk over the characters of a
// page, the same for the layout pass (which only needs the advance widths
// and the generator) and for the worker that draws the page, so both take
// every decision the same way.

// The drawing position of one character: the vertical jitter is drawn from
// the generator before the horizontal one.
inline QPoint JitterPos(std::uint32_t &seed, std::int32_t x, std::int32_t y, std::int32_t hoVar, std::int32_t veVar)
{
    const std::int32_t newY = Wrap::Add(y, Wrap::Sub(RandomStep(seed, Wrap::Mul(2, veVar)), veVar));
    const std::int32_t newX = Wrap::Add(x, Wrap::Sub(RandomStep(seed, Wrap::Mul(2, hoVar)), hoVar));
    return QPoint(newX, newY);
}

// Where a page's walk starts: its first character, and the generator's state
// at its first draw. A continuation page starts with the character that did
// not fit on the page before, which is drawn without another page check.
struct PageStart
{
    qsizetype begin = 0;
    std::uint32_t seed = 0;
    bool continuation = false;
};

struct WalkEnd
{
    // The first character that is not on this page (the text's size at its end).
    qsizetype end = 0;
    // The generator after the walk; at a page break, after the jitter that
    // the break discarded, which is where the next page's walk starts.
    std::uint32_t seed = 0;
    // The picture's height after the walk (it grows in one-picture mode).
    std::int32_t height = 0;
};

// The characters a walk reads: a whole text, or a window of a longer one
// that starts at character offset. Indices are the longer text's.
struct TextWindow
{
    // A whole text is a window of itself, at offset 0.
    TextWindow(const CharacterText &characters, qsizetype from = 0) : text(characters), offset(from) {}
    // Where the window ends in the longer text.
    qsizetype End() const { return offset + text.size(); }

    const CharacterText &text;
    qsizetype offset;
};

// Walks the characters of one page from start. For each drawable character
// draw(index, position, code, clipHeight) is called; clipHeight is the
// picture's height at that moment. In one-picture mode the picture grows
// instead of breaking, and grow(newHeight) is called before the character
// that needed it. lineEnd() is called where a line ends (a CR, a wrap).
// A page that goes on past the window's end ends there.
template <typename Draw, typename Grow, typename LineEnd>
WalkEnd WalkPage(const TextWindow &window, const RenderJob &job, const PageStart &start, Draw &&draw, Grow &&grow,
                 LineEnd &&lineEnd)
{
    Q_ASSERT(start.begin >= window.offset && start.begin <= window.End());
    return window.text.VisitCodes([&](const auto *codes) -> WalkEnd {
        const qsizetype size = window.End();
        const qsizetype offset = window.offset;
        std::uint32_t seed = start.seed;
        std::int32_t height = job.height;
        std::int32_t x = job.half;
        std::int32_t y = job.half;
        for (qsizetype index = start.begin; index < size; ++index) {
            const CharCode c = codes[index - offset];
            if (!IsSkippedCode(c)) {
                const QPoint p = JitterPos(seed, x, y, job.hoVar, job.veVar);
                const bool checked = !(start.continuation && index == start.begin);
                if (checked && Wrap::Sub(height, job.lineStep) < y) {
                    if (!job.onePicture)
                        return {index, seed, height};
                    height = Wrap::Add(height, job.h);
                    grow(height);
                }
                draw(index, p, c, height);
                x = Wrap::Add(x, job.CellOf(c).advance);
            }
            if (c == 13 || Wrap::Sub(job.width, job.h) < x) {
                x = job.half;
                y = Wrap::Add(y, job.lineStep);
                lineEnd();
            }
        }
        return {size, seed, height};
    });
}

// One picture of the result: the characters it shows and where its noise
// starts.
struct PagePlan
{
    PageStart start;
    qsizetype end = 0;
    std::uint32_t noiseSeed = 0;
    // Its bounds in the owner.
    LumoRect bounds;
    // One-picture mode: the highest the picture grew on the way (its memory).
    std::int32_t tallest = 0;
};

// The layout pass: every page of the text with its characters, the
// generator's state at its first draw and at its noise. Pages are drawn
// after it, each on its own; their noise comes after all the text in page
// order, so page k's noise starts k pictures' worth of steps after the last
// character's draws.
std::vector<PagePlan> PlanPages(const CharacterText &text, const RenderJob &job);
// The same for a text of size characters read a window at a time:
// window(begin, end) gives characters begin up to end as a text of their
// own. The first window holds windowSize characters; a page that does not
// end inside its window is walked again in one that starts with the page,
// twice as long when it started there already.
using WindowReader = std::function<CharacterText(qsizetype begin, qsizetype end)>;
std::vector<PagePlan> PlanPages(qsizetype size, const WindowReader &window, const RenderJob &job,
                                qsizetype windowSize = qsizetype(1) << 20);

// How many of the page's text lines hold a character: the lines its ground
// truth numbers from 0.
// window holds the page's characters.
std::size_t CountLines(const TextWindow &window, const RenderJob &job, const PagePlan &page);
