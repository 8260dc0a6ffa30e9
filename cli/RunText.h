#pragma once

#include "CharacterText.h"
#include "PageLayout.h"
#include "RenderJob.h"
#include "SpooledText.h"

#include <optional>
#include <vector>

// The characters of one page as its worker reads them: the run's whole
// text, or a window of it read for the page.
class PageCharacters
{
public:
    explicit PageCharacters(const CharacterText &whole) : m_whole(&whole) {}
    PageCharacters(CharacterText window, qsizetype offset) : m_window(std::move(window)), m_offset(offset) {}
    TextWindow View() const { return m_whole ? TextWindow(*m_whole) : TextWindow(m_window, m_offset); }

private:
    const CharacterText *m_whole = nullptr;
    CharacterText m_window;
    qsizetype m_offset = 0;
};

// The text a run of lumo-render draws: held whole, or spooled (a long
// 8-bit text, read back a window at a time by the layout pass and by each
// page's worker). Either way the pages, their pictures and their truth
// are the same.
class RunText
{
public:
    RunText() = default;
    explicit RunText(CharacterText held) : m_held(std::move(held)) {}
    explicit RunText(SpooledText spooled) : m_spooled(std::move(spooled)) {}

    // The text held whole, to be changed (characters left out); only when
    // it is not spooled.
    CharacterText &Held() { return m_held; }
    // A text with every code the run's text uses, its code page or its
    // clusters: what the glyph cells and the truth's character texts are
    // made from.
    const CharacterText &Codes() const { return m_spooled ? m_spooled->Alphabet() : m_held; }

    // The layout pass (PlanPages) over the text.
    std::vector<PagePlan> Plan(const RenderJob &job) const;
    // The characters the page's walk reads.
    PageCharacters Page(const PagePlan &page) const;

private:
    CharacterText m_held;
    std::optional<SpooledText> m_spooled;
};
