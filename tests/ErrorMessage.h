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
