#pragma once

#include "CharacterLook.h"
#include "PageLook.h"

#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <optional>

// The named looks of --look: bundles of the hand-set and page effects at
// levels chosen by eye and by what tesseract reads (docs/lumo-render.md).
struct NamedLook
{
    CharacterLook characters;
    PageLook page;
};

// The look of the name (clean, print, scan, photocopy, worn); none for any other.
std::optional<NamedLook> LookNamed(const QString &name);
// The names, mildest first.
QStringList LookNames();

// Which of count fonts the picture of this seed draws with (--fonts).
std::size_t ChosenFont(std::uint32_t seed, std::size_t count);
