#pragma once

#include "Colour.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>

// The colour dialog's sixteen custom colours, kept in "Menuefarben.txt" as
// lines "ColorA=…" to "ColorP=…" (upper-case hexadecimal, at least six
// digits, FFFFFFFF for an empty slot).
inline const QString CustomColoursPath = QStringLiteral("Menuefarben.txt");

using CustomColourSlots = std::array<Colour, 16>; // -1 is an empty slot

class CustomColours
{
public:
    // Reads the file's lines; a missing file gives none. Raises the
    // program's error when the file cannot be read.
    void Load(const QString &path = CustomColoursPath);

    // The slots from the lines: a slot without a line or with an empty value
    // is empty. A value that is not hexadecimal raises
    // "'$<value>' ist kein gültiger Integerwert".
    CustomColourSlots Slots() const;

    // Sets all sixteen lines from the slots: an existing line keeps its place
    // and gets the new value, a missing one is appended.
    void SetSlots(const CustomColourSlots &colourSlots);

    // Writes the lines, CR LF after each; raises the file-creation error.
    void Save(const QString &path = CustomColoursPath) const;

    const QList<QByteArray> &Lines() const { return m_lines; }

private:
    QList<QByteArray> m_lines;
};
