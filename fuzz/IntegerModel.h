#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>
#include <optional>

// How the settings file's integers read, written out from the rules a user
// can rely on and kept apart from engine/IntegerText.cpp, so that the fuzz
// targets compare two readings made independently:
//   leading blanks (space and tab, the blanks of C's isblank), an optional
//   "+" or "-", then either decimal digits whose value fits in 32 signed
//   bits, or one to eight hexadecimal digits (either case) after "$", "x",
//   "X", "0x" or "0X"; eight digits with the top bit set are a negative
//   number. Nothing may follow.
inline std::optional<std::int32_t> ModelInteger(const QByteArray &text)
{
    const qsizetype size = text.size();
    qsizetype at = 0;
    while (at < size && (text[at] == ' ' || text[at] == '\t'))
        ++at;

    bool minus = false;
    if (at < size && (text[at] == '+' || text[at] == '-')) {
        minus = text[at] == '-';
        ++at;
    }

    const QByteArray rest = text.mid(at);
    int prefix = 0;
    if (rest.startsWith("0x") || rest.startsWith("0X"))
        prefix = 2;
    else if (rest.startsWith('$') || rest.startsWith('x') || rest.startsWith('X'))
        prefix = 1;

    const QByteArray digits = rest.mid(prefix);
    if (digits.isEmpty())
        return std::nullopt;

    std::int64_t value = 0;
    if (prefix > 0) {
        if (digits.size() > 8)
            return std::nullopt;
        for (const char c : digits) {
            qsizetype digit = QByteArrayView("0123456789abcdef").indexOf(c);
            if (digit < 0)
                digit = QByteArrayView("0123456789ABCDEF").indexOf(c);
            if (digit < 0)
                return std::nullopt;
            value = value * 16 + digit;
        }
        // Eight digits are the 32 bits of the number as they are stored.
        value = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
        if (minus)
            value = -value;
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(value)));
    }

    for (const char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        // More than fits is refused, however many digits follow.
        if (value > std::int64_t(1) << 31)
            return std::nullopt;
    }
    if (minus)
        value = -value;
    if (value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

// SettingsFile::ReadInteger's reading of a stored value: a value starting
// with "0x" or "0X" and longer than that is read as "$" and the rest.
inline std::int32_t ModelReadInteger(const std::optional<QByteArray> &value, std::int32_t defaultValue)
{
    if (!value)
        return defaultValue;
    QByteArray text = *value;
    if (text.size() > 2 && (text.startsWith("0x") || text.startsWith("0X")))
        text = '$' + text.mid(2);
    return ModelInteger(text).value_or(defaultValue);
}
