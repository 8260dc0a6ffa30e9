#include "SettingsFile.h"

#include "CodePage.h"
#include "IntegerText.h"
#include "LumoError.h"
#include "WholeFile.h"

#include <QByteArrayView>
#include <algorithm>
#include <array>
#include <utility>

namespace {

// Names are compared through this table on every lookup, so that no upper-case
// copies are made; it is filled from UpperCp1252 to stay in step with it.
const std::array<unsigned char, 256> &upperTable()
{
    static const std::array<unsigned char, 256> table = [] {
        QByteArray bytes(256, '\0');
        for (int i = 0; i < 256; ++i)
            bytes[i] = static_cast<char>(i);
        const QByteArray upper = UpperCp1252(bytes);
        std::array<unsigned char, 256> result{};
        for (int i = 0; i < 256; ++i)
            result[static_cast<size_t>(i)] = static_cast<unsigned char>(upper[i]);
        return result;
    }();
    return table;
}

bool sameName(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    const auto &upper = upperTable();
    return std::equal(a.begin(), a.end(), b.begin(), [&upper](char x, char y) {
        return upper[static_cast<unsigned char>(x)] == upper[static_cast<unsigned char>(y)];
    });
}

} // namespace

QByteArrayView TrimmedSettingsText(QByteArrayView text)
{
    // Blanks and every control character count as padding.
    const auto isPadding = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    const char *begin = text.data();
    const char *end = begin + text.size();
    while (begin != end && isPadding(*begin))
        ++begin;
    while (end != begin && isPadding(end[-1]))
        --end;
    return QByteArrayView(begin, end);
}

bool BreaksSettingsLine(QByteArrayView text)
{
    return text.contains('\r') || text.contains('\n') || text.contains('\0');
}

QString ShownWithLineBreaks(const QString &text)
{
    QString shown = text;
    return shown.replace(u'\r', QLatin1String("\\r"))
        .replace(u'\n', QLatin1String("\\n"))
        .replace(QChar(0), QLatin1String("\\0"));
}

void CheckSettingsText(const QByteArray &text)
{
    if (BreaksSettingsLine(text))
        throw LumoError(LumoMessages::LineBreakInName(ShownWithLineBreaks(FromCp1252(text))));
}

SettingsFile::SettingsFile(const QString &path)
    : m_path(path)
{
    const std::optional<QByteArray> read = ReadConfigFile(path);
    if (!read)
        return;
    const QByteArray &content = *read;

    const char *p = content.constData();
    const char *const end = p + content.size();
    while (p != end) {
        const char *lineEnd = p;
        while (lineEnd != end && *lineEnd != '\r' && *lineEnd != '\n')
            ++lineEnd;
        const QByteArrayView line = TrimmedSettingsText(QByteArrayView(p, lineEnd));
        p = lineEnd;
        if (p != end && *p == '\r')
            ++p;
        if (p != end && *p == '\n')
            ++p;

        if (line.isEmpty() || line.front() == ';')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            m_sections.append(Section{TrimmedSettingsText(line.sliced(1, line.size() - 2)).toByteArray(), {}});
            continue;
        }
        // Lines above the first section belong to nothing and are dropped.
        if (m_sections.isEmpty())
            continue;
        Line entry;
        const char *equals = std::find(line.begin(), line.end(), '=');
        if (equals == line.end()) {
            entry.value = line.toByteArray();
        } else {
            entry.key = TrimmedSettingsText(QByteArrayView(line.begin(), equals)).toByteArray();
            entry.value = TrimmedSettingsText(QByteArrayView(equals + 1, line.end())).toByteArray();
            entry.hasEquals = true;
        }
        m_sections.last().lines.append(std::move(entry));
    }
}

QList<QByteArray> SettingsFile::Sections() const
{
    QList<QByteArray> names;
    names.reserve(m_sections.size());
    for (const Section &section : m_sections)
        names.append(section.name);
    return names;
}

// A name stored twice means the later one, so the search runs backwards.
const SettingsFile::Section *SettingsFile::findSection(const QByteArray &name) const
{
    for (auto it = m_sections.crbegin(); it != m_sections.crend(); ++it) {
        if (sameName(it->name, name))
            return &*it;
    }
    return nullptr;
}

SettingsFile::Section *SettingsFile::findSection(const QByteArray &name)
{
    return const_cast<Section *>(std::as_const(*this).findSection(name));
}

std::optional<QByteArray> SettingsFile::ReadValue(const QByteArray &section, const QByteArray &key) const
{
    const Section *found = findSection(section);
    if (!found)
        return std::nullopt;
    for (const Line &line : found->lines) {
        if (line.hasEquals && sameName(line.key, key))
            return line.value;
    }
    return std::nullopt;
}

QByteArray SettingsFile::ReadString(const QByteArray &section, const QByteArray &key,
                                    const QByteArray &defaultValue) const
{
    return ReadValue(section, key).value_or(defaultValue);
}

std::int32_t SettingsFile::ReadInteger(const QByteArray &section, const QByteArray &key,
                                       std::int32_t defaultValue) const
{
    const std::optional<QByteArray> value = ReadValue(section, key);
    if (!value)
        return defaultValue;
    if (value->size() > 2 && (value->startsWith("0x") || value->startsWith("0X")))
        return ParseInteger('$' + value->mid(2)).value_or(defaultValue);
    return ParseInteger(*value).value_or(defaultValue);
}

void SettingsFile::WriteString(const QByteArray &section, const QByteArray &key, const QByteArray &value)
{
    CheckSettingsText(section);
    CheckSettingsText(key);
    CheckSettingsText(value);
    Section *target = findSection(section);
    if (!target) {
        m_sections.append(Section{section, {}});
        target = &m_sections.last();
    }
    for (Line &line : target->lines) {
        if (line.hasEquals && sameName(line.key, key)) {
            // The line is rewritten whole, so the key takes the spelling of
            // this write; its place in the section stays.
            line.key = key;
            line.value = value;
            return;
        }
    }
    target->lines.append(Line{key, value, true});
}

void SettingsFile::WriteInteger(const QByteArray &section, const QByteArray &key, std::int32_t value)
{
    WriteString(section, key, QByteArray::number(value));
}

void SettingsFile::EraseSection(const QByteArray &section)
{
    for (qsizetype i = m_sections.size() - 1; i >= 0; --i) {
        if (sameName(m_sections[i].name, section)) {
            m_sections.removeAt(i);
            return;
        }
    }
}

void SettingsFile::UpdateFile() const
{
    QByteArray content;
    for (const Section &section : m_sections) {
        content.append('[').append(section.name).append("]\r\n");
        for (const Line &line : section.lines) {
            if (line.hasEquals)
                content.append(line.key).append('=');
            content.append(line.value).append("\r\n");
        }
        content.append("\r\n");
    }

    SaveFile(m_path, content);
}
