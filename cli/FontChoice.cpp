#include "FontChoice.h"

#include "LumoError.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QRawFont>
#include <QSet>
#include <vector>

namespace {

// The faces fontconfig puts in place of the core fonts, with their metrics.
constexpr std::pair<const char *, const char *> metricStandIns[] = {
    {"Arial", "Liberation Sans"},
    {"Times New Roman", "Liberation Serif"},
    {"Courier New", "Liberation Mono"},
};

bool sameFamily(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// A character as messages name it: its code points, and the character.
QString characterLabel(const QString &character)
{
    const QList<uint> points = character.toUcs4();
    if (points.size() == 1)
        return CodePointLabel(points.front());
    QStringList codes;
    for (const uint point : points)
        codes.append(QStringLiteral("U+") + QStringLiteral("%1").arg(point, 4, 16, QLatin1Char('0')).toUpper());
    return QStringLiteral("%1 \"%2\"").arg(codes.join(u' '), character);
}

// The positions of the characters the font has no glyph for, each distinct
// character looked up once.
std::vector<qsizetype> missingPositions(const CharacterText &text, const GlyphCache &glyphs)
{
    enum class Known : unsigned char { Unknown, Covered, Missing };
    std::vector<Known> known(text.CodeCount(), Known::Unknown);
    std::vector<qsizetype> positions;
    for (qsizetype index = 0; index < text.size(); ++index) {
        const CharCode code = text[index];
        if (IsSkippedCode(code))
            continue;
        Known &state = known[code];
        if (state == Known::Unknown)
            state = glyphs.Covers(text.TextOf(code)) ? Known::Covered : Known::Missing;
        if (state == Known::Missing)
            positions.push_back(index);
    }
    return positions;
}

bool familyCovers(const QString &family, const QList<uint> &points)
{
    QFont font(family);
    font.setPixelSize(16);
    font.setStyleStrategy(QFont::NoFontMerging);
    const QRawFont raw = QRawFont::fromFont(font);
    if (!raw.isValid() || !sameFamily(raw.familyName(), family))
        return false;
    for (const uint point : points) {
        if (!raw.supportsCharacter(point))
            return false;
    }
    return true;
}

} // namespace

std::optional<QString> SubstitutionNote(const GlyphCache &glyphs, const QString &asked)
{
    const QString used = QFontInfo(glyphs.Font()).family();
    if (sameFamily(used, asked))
        return std::nullopt;
    for (const auto &[core, standIn] : metricStandIns) {
        if (sameFamily(asked, QLatin1StringView(core)) && sameFamily(used, QLatin1StringView(standIn)))
            return std::nullopt;
    }
    return QStringLiteral("lumo-render: there is no font \"%1\"; drawing with \"%2\"").arg(asked, used);
}

CharacterText ApplyMissingGlyphs(const CharacterText &text, GlyphCache &glyphs, MissingGlyphs policy,
                                 const QString &fontName, std::optional<QString> &note)
{
    const std::vector<qsizetype> missing = missingPositions(text, glyphs);
    if (missing.empty())
        return text;
    const auto count = static_cast<qsizetype>(missing.size());
    switch (policy) {
    case MissingGlyphs::Error: {
        constexpr std::size_t shown = 5;
        QStringList named;
        for (std::size_t i = 0; i < std::min(shown, missing.size()); ++i) {
            const qsizetype index = missing[i];
            named.append(QStringLiteral("%1 on line %2").arg(characterLabel(text.TextOf(text[index]))).arg(text.LineOf(index)));
        }
        throw LumoError(QStringLiteral("lumo-render: the font \"%1\" has no glyph for %2 character%3 of the text: %4%5 "
                                       "(--missing-glyphs fallback or skip draws the text; --list-fonts finds a font)")
                            .arg(fontName)
                            .arg(count)
                            .arg(count == 1 ? QString() : QStringLiteral("s"))
                            .arg(named.join(QStringLiteral(", ")))
                            .arg(missing.size() > shown ? QStringLiteral(", ...") : QString()));
    }
    case MissingGlyphs::Skip:
        note = QStringLiteral("lumo-render: left out %1 character%2 the font \"%3\" has no glyph for")
                   .arg(count)
                   .arg(count == 1 ? QString() : QStringLiteral("s"))
                   .arg(fontName);
        return text.Without(missing);
    case MissingGlyphs::Fallback: {
        QStringList families;
        QSet<CharCode> seen;
        for (const qsizetype index : missing) {
            const CharCode code = text[index];
            if (seen.contains(code))
                continue;
            seen.insert(code);
            const QString family = glyphs.CellOf(text.TextOf(code)).fallbackFamily;
            if (!family.isEmpty() && !families.contains(family))
                families.append(family);
        }
        note = QStringLiteral("lumo-render: drew %1 character%2 the font \"%3\" has no glyph for with %4")
                   .arg(count)
                   .arg(count == 1 ? QString() : QStringLiteral("s"))
                   .arg(fontName, families.isEmpty() ? QStringLiteral("no font (none has them)")
                                                     : u'"' + families.join(QStringLiteral("\", \"")) + u'"');
        return text;
    }
    }
    return text;
}

QStringList FamiliesCovering(const CharacterText *text)
{
    const QStringList families = QFontDatabase::families();
    if (!text)
        return families;
    QSet<uint> distinct;
    std::vector<bool> seen(text->CodeCount(), false);
    text->ForEachCode([&](CharCode code) {
        if (seen[code] || IsSkippedCode(code))
            return;
        seen[code] = true;
        for (const uint point : text->TextOf(code).toUcs4()) {
            if (NeedsGlyph(point))
                distinct.insert(point);
        }
    });
    const QList<uint> points = distinct.values();
    QStringList covering;
    for (const QString &family : families) {
        if (familyCovers(family, points))
            covering.append(family);
    }
    return covering;
}
