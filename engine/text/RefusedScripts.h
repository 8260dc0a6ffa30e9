#pragma once

#include "CharacterText.h"
#include "LumoError.h"

#include <QString>

// Scripts whose letters join, reorder or stack into conjuncts: drawn one
// cluster at a time, their pictures would show something other than the
// text. Right-to-left text counts among them (Hebrew, Arabic, Syriac,
// Thaana, N'Ko, ...), and so do Mongolian and the Brahmic scripts of South
// and Southeast Asia except Thai and Lao.

// The script's name when the code point belongs to such a script, else empty.
QString RefusedScriptOf(char32_t codePoint);

// A text that holds a character of such a script.
class RefusedScript : public LumoError
{
public:
    RefusedScript(const QString &script, char32_t codePoint, qsizetype line);
    const QString &Script() const { return m_script; }

private:
    QString m_script;
};

// Raises RefusedScript for the text's first character of such a script.
void CheckScripts(const CharacterText &text);
