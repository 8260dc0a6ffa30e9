#pragma once

#include "CodePage.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

// A text as the drawing walks it: one code a character. A character is a
// byte of an 8-bit text, or a grapheme cluster of a Unicode text (a letter
// with its combining marks, an ideograph, a Hangul syllable).

// Below 256, a byte of an 8-bit text; in a Unicode text only the control
// codes. From FirstClusterCode on, the clusters of a Unicode text in the
// order they first appear.
using CharCode = std::uint32_t;
constexpr CharCode FirstClusterCode = 256;

// The codes that are never drawn: NUL, the line ends and code 20 (decimal).
inline bool IsSkippedCode(CharCode code)
{
    return code == 0 || code == 10 || code == 13 || code == 20;
}

// A code point as messages name it: U+03A9 "Ω".
QString CodePointLabel(char32_t codePoint);

class CharacterText
{
public:
    CharacterText() = default;
    // Every byte a character of the code page, the control codes keeping
    // their meaning; the bytes are held as they are, not copied.
    static CharacterText FromBytes(const QByteArray &bytes, const ByteToUnicode &codePage);
    // Every grapheme cluster a character; NUL, LF, CR and U+0014 are the
    // control codes, CR LF two of them.
    static CharacterText FromUnicode(const QString &text);

    qsizetype size() const
    {
        return m_width == 1 ? m_bytes.size() : static_cast<qsizetype>(m_width == 2 ? m_units.size() : m_wide.size());
    }
    CharCode operator[](qsizetype index) const;
    // Calls visit with a pointer to the codes, each in the narrowest of
    // 8, 16 and 32 bits that holds every code of the text, and gives back
    // what it gives.
    template <typename Visit>
    decltype(auto) VisitCodes(Visit &&visit) const;
    // Calls each(code) for every code in order.
    template <typename Each>
    void ForEachCode(Each &&each) const;
    // A copy of the codes.
    std::vector<CharCode> Codes() const;
    // Every code of the text is below this.
    CharCode CodeCount() const { return FirstClusterCode + static_cast<CharCode>(m_clusters.size()); }

    // The code page of an 8-bit text; null for a Unicode text.
    const ByteToUnicode *CodePage() const { return m_codePage; }
    bool IsEightBit() const { return m_codePage != nullptr; }
    // What the code stands for: the code page's character, or the cluster.
    QString TextOf(CharCode code) const;

    // The line (from 1) the character at index is on.
    qsizetype LineOf(qsizetype index) const;
    // The text without the characters at these positions (in rising order).
    CharacterText Without(const std::vector<qsizetype> &positions) const;

private:
    // Adds a code, widening the codes held so far when it needs more bits.
    void append(CharCode code);

    // A text is held as one code a byte when it is 8-bit (its bytes as they
    // are), else two bytes a code while its codes fit, else four: texts of
    // hundreds of megabytes are drawn, and their codes are most of the
    // memory a run takes.
    QByteArray m_bytes;
    std::vector<std::uint16_t> m_units;
    std::vector<std::uint32_t> m_wide;
    int m_width = 1;
    const ByteToUnicode *m_codePage = nullptr;
    std::vector<QString> m_clusters;
};

template <typename Visit>
decltype(auto) CharacterText::VisitCodes(Visit &&visit) const
{
    if (m_width == 1)
        return visit(reinterpret_cast<const std::uint8_t *>(m_bytes.constData()));
    if (m_width == 2)
        return visit(static_cast<const std::uint16_t *>(m_units.data()));
    return visit(static_cast<const std::uint32_t *>(m_wide.data()));
}

inline CharCode CharacterText::operator[](qsizetype index) const
{
    return VisitCodes([index](const auto *codes) { return static_cast<CharCode>(codes[index]); });
}

template <typename Each>
void CharacterText::ForEachCode(Each &&each) const
{
    VisitCodes([&](const auto *codes) {
        for (qsizetype index = 0, count = size(); index < count; ++index)
            each(static_cast<CharCode>(codes[index]));
    });
}
