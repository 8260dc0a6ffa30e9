#include "CustomColours.h"

#include "IntegerText.h"
#include "LumoError.h"
#include "TextFile.h"
#include "WholeFile.h"

#include <QFile>
#include <cstdint>
#include <optional>

namespace {

QByteArray slotName(std::size_t slot)
{
    return QByteArrayLiteral("Color") + static_cast<char>('A' + slot);
}

// The index of the first line whose name (the text before its first "=") is
// name in any letter case. Lines without "=" have no name and never match.
std::optional<qsizetype> lineOf(const QList<QByteArray> &lines, const QByteArray &name)
{
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const qsizetype equals = lines[i].indexOf('=');
        if (equals >= 0 && QByteArrayView(lines[i]).first(equals).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return std::nullopt;
}

// Upper-case hexadecimal of the unsigned 32-bit value, at least six digits:
// an empty slot (-1) therefore reads FFFFFFFF.
QByteArray hexValue(Colour colour)
{
    return QByteArray::number(static_cast<std::uint32_t>(colour), 16).toUpper().rightJustified(6, '0');
}

} // namespace

void CustomColours::Load(const QString &path)
{
    m_lines.clear();
    const std::optional<QByteArray> bytes = ReadConfigFile(path);
    if (!bytes)
        return;
    // Lines end at CR, LF or CR LF, and a NUL byte ends the list, as with
    // every other text the program reads.
    QByteArray text = TextFileLines(*bytes);
    text.chop(2); // the last line's break starts no line
    if (text.isEmpty())
        return;
    for (qsizetype start = 0;;) {
        const qsizetype end = text.indexOf("\r\n", start);
        m_lines.append(text.mid(start, end < 0 ? -1 : end - start));
        if (end < 0)
            break;
        start = end + 2;
    }
}

CustomColourSlots CustomColours::Slots() const
{
    CustomColourSlots colours;
    for (std::size_t slot = 0; slot < colours.size(); ++slot) {
        colours[slot] = -1;
        const auto index = lineOf(m_lines, slotName(slot));
        if (!index)
            continue;
        const QByteArray &line = m_lines[*index];
        const QByteArray value = line.mid(line.indexOf('=') + 1);
        if (!value.isEmpty())
            colours[slot] = StrToInt('$' + value);
    }
    return colours;
}

void CustomColours::SetSlots(const CustomColourSlots &colours)
{
    for (std::size_t slot = 0; slot < colours.size(); ++slot) {
        const QByteArray name = slotName(slot);
        const QByteArray line = name + '=' + hexValue(colours[slot]);
        // A line found under another spelling of the name is rewritten with
        // the program's own spelling.
        if (const auto index = lineOf(m_lines, name))
            m_lines[*index] = line;
        else
            m_lines.append(line);
    }
}

void CustomColours::Save(const QString &path) const
{
    QByteArray content;
    for (const QByteArray &line : m_lines)
        content.append(line).append("\r\n");
    SaveFile(path, content);
}
