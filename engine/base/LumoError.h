#pragma once

#include <QString>
#include <stdexcept>

// The one error type of the program. It carries the message exactly as the
// user is to read it; the windows show it, lumo-render prints it.
class LumoError : public std::runtime_error
{
public:
    explicit LumoError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }

    const QString &message() const { return m_message; }

private:
    QString m_message;
};

namespace LumoMessages {

// "'%s' ist kein gültiger Integerwert"
inline QString NotAnInteger(const QString &text)
{
    return QStringLiteral("'%1' ist kein g\u00fcltiger Integerwert").arg(text);
}

// A name (of a setup, of a font) that would break the settings file's lines;
// the name is shown with its line breaks written as \r, \n and \0.
inline QString LineBreakInName(const QString &shownName)
{
    return QStringLiteral("Name \"%1\" darf keinen Zeilenumbruch (CR, LF) und kein NUL-Zeichen enthalten")
        .arg(shownName);
}

// A setup name with characters that the settings file's code page lacks
// (see FitsCp1252): stored, they would all be "?", and two such names would
// share one section.
inline QString NameOutsideSettingsCodePage(const QString &name)
{
    return QStringLiteral("Der Name \"%1\" enth\u00e4lt Zeichen, die die Einstellungsdatei nicht speichern kann.")
        .arg(name);
}

// What the program says when a picture or file does not fit in memory.
inline QString OutOfMemory()
{
    return QStringLiteral("out of memory");
}

} // namespace LumoMessages
