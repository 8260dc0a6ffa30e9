#pragma once

#include "LumoError.h"

#include <QString>
#include <functional>

// The message of the LumoError the action raises, exactly as the user would
// read it; "<no error>" when it raises none, so that a comparison with the
// expected message fails then too.
inline QString MessageOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const LumoError &error) {
        return error.message();
    }
    return QStringLiteral("<no error>");
}

// The program's file messages, spelled out here so that a change of their
// words is caught.
inline QString CreationMessage(const QString &fullPath, const QString &reason)
{
    return QStringLiteral("Datei \"%1\" kann nicht erstellt werden. %2").arg(fullPath, reason);
}

inline QString OpenMessage(const QString &fullPath, const QString &reason)
{
    return QStringLiteral("Datei %1 kann nicht ge\u00f6ffnet werden. %2").arg(fullPath, reason);
}
