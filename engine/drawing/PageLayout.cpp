#include "PageLayout.h"

#include <algorithm>

namespace {

const auto noDraw = [](qsizetype, QPoint, CharCode, std::int32_t) {};
const auto noLineEnd = [] {};

// The layout pass over a text of size characters: each page walked by
// walkFrom(start, tallest), which raises tallest to the highest its
// picture grew, then the noise of every page.
template <typename WalkFrom>
std::vector<PagePlan> planPages(qsizetype size, const RenderJob &job, WalkFrom &&walkFrom)
{
    std::vector<PagePlan> pages;
    PageStart start{0, job.seed, false};
    std::int32_t tallest = std::max(job.height, 0);
    for (;;) {
        const WalkEnd walk = walkFrom(start, tallest);
        PagePlan page;
        page.start = start;
        page.end = walk.end;
        page.bounds = job.PageBounds(static_cast<std::int64_t>(pages.size()));
        if (job.onePicture) {
            page.bounds.Bottom = Wrap::Add(page.bounds.Top, walk.height);
            page.tallest = tallest;
        }
        page.noiseSeed = walk.seed; // the seed after the text, for now
        pages.push_back(page);
        if (walk.end == size)
            break;
        start = PageStart{walk.end, walk.seed, true};
    }
    // Noise, picture after picture in list order, after the last draw of the text.
    const std::uint32_t afterText = pages.back().noiseSeed;
    std::uint64_t steps = 0;
    for (PagePlan &page : pages) {
        page.noiseSeed = AdvanceSeed(afterText, steps);
        steps += job.NoiseSteps(Wrap::Sub(page.bounds.Bottom, page.bounds.Top));
    }
    return pages;
}

// Grow callback of a walk: the tallest the picture grew.
auto raising(std::int32_t &tallest)
{
    return [&tallest](std::int32_t height) { tallest = std::max(tallest, height); };
}

} // namespace

std::vector<PagePlan> PlanPages(const CharacterText &text, const RenderJob &job)
{
    return planPages(text.size(), job, [&](const PageStart &start, std::int32_t &tallest) {
        return WalkPage(text, job, start, noDraw, raising(tallest), noLineEnd);
    });
}

std::vector<PagePlan> PlanPages(qsizetype size, const WindowReader &window, const RenderJob &job,
                                qsizetype windowSize)
{
    qsizetype from = 0;
    qsizetype length = std::max<qsizetype>(windowSize, 1);
    CharacterText held = window(from, length);
    return planPages(size, job, [&](const PageStart &start, std::int32_t &tallest) {
        for (;;) {
            const TextWindow view(held, from);
            if (start.begin >= from && start.begin <= view.End()) {
                // A walk that reaches the window's end before the text's
                // may have been cut short: it is walked again, so what it
                // grew counts only once it is whole.
                std::int32_t grown = tallest;
                const WalkEnd walk = WalkPage(view, job, start, noDraw, raising(grown), noLineEnd);
                if (walk.end < view.End() || view.End() >= size) {
                    tallest = grown;
                    return walk;
                }
                if (from == start.begin)
                    length *= 2;
            }
            from = start.begin;
            held = window(from, from + length);
        }
    });
}

std::size_t CountLines(const TextWindow &window, const RenderJob &job, const PagePlan &page)
{
    std::size_t lines = 0;
    bool lineOpen = false;
    WalkPage(
        window, job, page.start,
        [&](qsizetype, QPoint, CharCode, std::int32_t) {
            lines += lineOpen ? 0 : 1;
            lineOpen = true;
        },
        [](std::int32_t) {}, [&lineOpen] { lineOpen = false; });
    return lines;
}
