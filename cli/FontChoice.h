#pragma once

#include "CharacterText.h"
#include "GlyphCache.h"
#include "RenderOptions.h"

#include <QString>
#include <QStringList>
#include <optional>

// Which font draws a text: the note when the one asked for is not
// installed, what becomes of characters it has no glyph for, and the
// families that cover a text.

// "lumo-render: there is no font "X"; drawing with "Y"" when the system
// draws with another family than the one asked for; none when it is that
// family or its metric-compatible stand-in (Liberation Sans for Arial, ...).
std::optional<QString> SubstitutionNote(const GlyphCache &glyphs, const QString &asked);

// The text as it is drawn under the policy. Under Error a text with
// characters the font has no glyph for raises a LumoError that counts them
// and names the first few with their lines; under Skip they are left out
// and note says how many; under Fallback they stay (the system finds a
// font for each when it is drawn) and note names those fonts.
CharacterText ApplyMissingGlyphs(const CharacterText &text, GlyphCache &glyphs, MissingGlyphs policy,
                                 const QString &fontName, std::optional<QString> &note);

// Every font family the system has, in its order; with a text, only those
// with a glyph for each of its characters.
QStringList FamiliesCovering(const CharacterText *text);
