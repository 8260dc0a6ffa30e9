#include "RunText.h"

std::vector<PagePlan> RunText::Plan(const RenderJob &job) const
{
    if (!m_spooled)
        return PlanPages(m_held, job);
    const SpooledText &spooled = *m_spooled;
    return PlanPages(
        spooled.size(), [&spooled](qsizetype begin, qsizetype end) { return spooled.Window(begin, end); }, job);
}

PageCharacters RunText::Page(const PagePlan &page) const
{
    if (!m_spooled)
        return PageCharacters(m_held);
    return PageCharacters(m_spooled->Window(page.start.begin, page.end), page.start.begin);
}
