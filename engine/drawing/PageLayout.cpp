#include "PageLayout.h"

#include <algorithm>

std::vector<PagePlan> PlanPages(const CharacterText &text, const RenderJob &job)
{
    const auto noDraw = [](qsizetype, QPoint, CharCode, std::int32_t) {};
    std::vector<PagePlan> pages;
    PageStart start{0, job.seed, false};
    std::int32_t tallest = std::max(job.height, 0);
    for (;;) {
        const WalkEnd walk = WalkPage(
            text, job, start, noDraw, [&tallest](std::int32_t height) { tallest = std::max(tallest, height); }, [] {});
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
        if (walk.end == text.size())
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

std::size_t CountLines(const CharacterText &text, const RenderJob &job, const PagePlan &page)
{
    std::size_t lines = 0;
    bool lineOpen = false;
    WalkPage(
        text, job, page.start,
        [&](qsizetype, QPoint, CharCode, std::int32_t) {
            lines += lineOpen ? 0 : 1;
            lineOpen = true;
        },
        [](std::int32_t) {}, [&lineOpen] { lineOpen = false; });
    return lines;
}
