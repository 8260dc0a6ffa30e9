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
    // their meaning.
    static CharacterText FromBytes(const QByteArray &bytes, const ByteToUnicode &codePage);
    // Every grapheme cluster a character; NUL, LF, CR and U+0014 are the
    // control codes, CR LF two of them.
    static CharacterText FromUnicode(const QString &text);

    qsizetype size() const { return static_cast<qsizetype>(m_codes.size()); }
    CharCode operator[](qsizetype index) const { return m_codes[static_cast<std::size_t>(index)]; }
    const std::vector<CharCode> &Codes() const { return m_codes; }
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
    std::vector<CharCode> m_codes;
    const ByteToUnicode *m_codePage = nullptr;
    std::vector<QString> m_clusters;
};
