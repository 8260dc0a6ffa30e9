#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <cstdint>
#include <optional>

// "LumoSetup.ini" in the working directory: named setups and window positions.
inline const QString DefaultSettingsPath = QStringLiteral("LumoSetup.ini");

// The text without blanks and control characters (codes up to 32) at either
// end: how every line, name, key and value of the file is read.
QByteArrayView TrimmedSettingsText(QByteArrayView text);

// Section names, keys and values are lines of the file: one holding a CR,
// an LF or a NUL byte would break the file's structure (a name could plant
// a section of its own).
bool BreaksSettingsLine(QByteArrayView text);
// The text with CR, LF and NUL written as \r, \n and \0, for a message of
// one line.
QString ShownWithLineBreaks(const QString &text);
// Raises "Name "…" darf keinen Zeilenumbruch (CR, LF) und kein NUL-Zeichen
// enthalten" for a text that BreaksSettingsLine.
void CheckSettingsText(const QByteArray &text);

// An in-memory copy of an INI file, loaded when the object is made and
// written back in full only by UpdateFile. Names and values are the file's
// own 8-bit text (Windows-1252). Section and key names match regardless of
// letter case; a section stored twice is listed twice and the later one is
// read, written and erased.
class SettingsFile
{
public:
    // Loads the file; a missing file gives an empty copy. A file that exists
    // but cannot be read raises "Datei <path> kann nicht geöffnet werden. <reason>".
    explicit SettingsFile(const QString &path = DefaultSettingsPath);

    // Every section name in file order, duplicates included.
    QList<QByteArray> Sections() const;

    // The value of the key; nothing when the section or key is missing
    // (a key present with an empty value gives the empty text).
    std::optional<QByteArray> ReadValue(const QByteArray &section, const QByteArray &key) const;
    QByteArray ReadString(const QByteArray &section, const QByteArray &key, const QByteArray &defaultValue) const;
    // "0x…" is read as "$…"; the default when the key is missing or not an integer.
    std::int32_t ReadInteger(const QByteArray &section, const QByteArray &key, std::int32_t defaultValue) const;

    // Sets the key, appending it (and the section) when new. Raises for a
    // section, key or value that CheckSettingsText refuses.
    void WriteString(const QByteArray &section, const QByteArray &key, const QByteArray &value);
    void WriteInteger(const QByteArray &section, const QByteArray &key, std::int32_t value);

    // Removes the (later) section of that name with all its lines.
    void EraseSection(const QByteArray &section);

    // Writes the whole copy back: "[name]", its lines, one empty line, for
    // every section; CR LF line ends. The file is replaced only when the whole
    // new content was written; a failure raises
    // "Datei "<path>" kann nicht erstellt werden. <reason>".
    void UpdateFile() const;

    const QString &Path() const { return m_path; }

private:
    struct Line
    {
        QByteArray key;   // empty for a line without "="
        QByteArray value; // the value, or the whole line when it has no "="
        bool hasEquals = false;
    };
    struct Section
    {
        QByteArray name;
        QList<Line> lines;
    };

    const Section *findSection(const QByteArray &name) const;
    Section *findSection(const QByteArray &name);

    QString m_path;
    QList<Section> m_sections;
};
