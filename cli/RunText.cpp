#include "RunText.h"

#include "LumoError.h"

namespace {

// A window of the spooled text; a temporary file that cannot be read back
// is the run's error.
CharacterText windowOf(const SpooledText &spooled, qsizetype begin, qsizetype end)
{
    try {
        return spooled.Window(begin, end);
    } catch (const SpoolUnreadable &error) {
        throw LumoError(QStringLiteral("lumo-render: %1").arg(error.message()));
    }
}

} // namespace

std::vector<PagePlan> RunText::Plan(const RenderJob &job) const
{
    if (!m_spooled)
        return PlanPages(m_held, job);
    const SpooledText &spooled = *m_spooled;
    return PlanPages(
        spooled.size(), [&spooled](qsizetype begin, qsizetype end) { return windowOf(spooled, begin, end); }, job);
}

PageCharacters RunText::Page(const PagePlan &page) const
{
    if (!m_spooled)
        return PageCharacters(m_held);
    return PageCharacters(windowOf(*m_spooled, page.start.begin, page.end), page.start.begin);
}
