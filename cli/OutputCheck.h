#pragma once

#include "OutputNames.h"
#include "PageLayout.h"
#include "RenderOptions.h"

#include <cstdint>
#include <optional>
#include <vector>

// The shape of a rendering that decides its file names: the same for every
// variant, since where pages break and lines end does not depend on the seed.
struct RunShape
{
    std::size_t pages = 0;
    // The text lines of each page (only with --lines).
    std::vector<std::size_t> linesOfPage;
    // The first variant's seed when the names carry seeds.
    std::optional<std::uint32_t> firstVariantSeed;
    std::size_t variants = 1;

    // With --fonts each font lays the text out its own way: the pages and
    // lines of each, and the font of each variant. Empty without.
    struct Layout
    {
        std::size_t pages = 0;
        std::vector<std::size_t> linesOfPage;
    };
    std::vector<Layout> fontLayouts;
    std::vector<std::size_t> fontOfVariant;
};

// Decided before the first file is written: raises a UsageError when two
// outputs of the run would be one file (after the naming rules, and through
// "..", symbolic and hard links), or an output would be INPUT or the
// settings file.
void CheckOutputs(const RenderOptions &options, const RunShape &shape);

// Raises the creation error when a picture is larger than its file format
// can hold, and a UsageError when the noise of a picture would take more
// pixels than its count can hold (it would wrap and draw something else).
// Decided before anything is drawn.
void CheckPictures(const RenderOptions &options, const RenderJob &job, const std::vector<PagePlan> &pages,
                   const OutputNames &names);
