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

// "Datei %s kann nicht geöffnet werden. %s"
inline QString CannotOpen(const QString &fullPath, const QString &reason)
{
    return QStringLiteral("Datei %1 kann nicht ge\u00f6ffnet werden. %2").arg(fullPath, reason);
}

// "Datei "<name>" kann nicht erstellt werden. <reason>"
inline QString CannotCreate(const QString &fullPath, const QString &reason)
{
    return QStringLiteral("Datei \"%1\" kann nicht erstellt werden. %2").arg(fullPath, reason);
}

} // namespace LumoMessages
