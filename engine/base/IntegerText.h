#pragma once

#include <QByteArray>
#include <cstdint>
#include <optional>

// Integers as the settings file writes them: leading blanks, an optional "+"
// or "-", then decimal digits, or up to eight hexadecimal digits (either
// case) after "$", "x", "X", "0x" or "0X". A hexadecimal value with the top
// bit set is negative. Nothing may follow the digits.

// The value, or nothing when the text is not an integer.
std::optional<std::int32_t> ParseInteger(const QByteArray &text);

// The value; a text that is not an integer raises
// "'<text>' ist kein gültiger Integerwert".
std::int32_t StrToInt(const QByteArray &text);
