#pragma once

#include "RenderOptions.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

// The names of what lumo-render writes for the pictures of one rendering.
struct OutputNames
{
    // Each picture's name as printed: its file, the PDF document, or "-".
    std::vector<QString> pictures;
    // Each picture's stem, its name without the extension ("out11"), which
    // its box file, its outlined copy and its line images are named after.
    std::vector<QString> stems;
    // The PDF document, or the outlined PDF document.
    QString document;
};

// The names for count pictures. Without variants the pictures keep the
// program's numbering: OUTPUT up to its first ".", then 11, 12, ... when
// there are several, then the extension. A variant puts its seed after that
// base, "-s" and the seed, and a "-" before the number (out-s7.png,
// out-s7-11.png, ...), so that no two variants can share a name. Without an
// OUTPUT the stems are those of "page.png".
OutputNames NamesFor(const RenderOptions &options, std::size_t count, std::optional<std::uint32_t> variantSeed);
