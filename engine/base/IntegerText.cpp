#include "IntegerText.h"

#include "CodePage.h"
#include "LumoError.h"

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

constexpr int MaxHexDigits = 8;

} // namespace

std::optional<std::int32_t> ParseInteger(const QByteArray &text)
{
    const char *p = text.constData();
    const char *const end = p + text.size();

    while (p != end && isBlank(*p))
        ++p;
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }

    bool hex = false;
    if (p != end && (*p == '$' || *p == 'x' || *p == 'X')) {
        hex = true;
        ++p;
    } else if (end - p >= 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        hex = true;
        p += 2;
    }
    if (p == end)
        return std::nullopt;

    // The magnitude is built unsigned so that "-2147483648" and hexadecimal
    // values with the top bit set need no special case: both wrap into the
    // negative range when cast at the end.
    std::uint32_t magnitude = 0;
    if (hex) {
        if (end - p > MaxHexDigits)
            return std::nullopt;
        for (; p != end; ++p) {
            const int digit = hexDigitValue(*p);
            if (digit < 0)
                return std::nullopt;
            magnitude = (magnitude << 4) | static_cast<std::uint32_t>(digit);
        }
    } else {
        const std::uint32_t limit = negative ? 2147483648u : 2147483647u;
        for (; p != end; ++p) {
            if (*p < '0' || *p > '9')
                return std::nullopt;
            const auto digit = static_cast<std::uint32_t>(*p - '0');
            if (magnitude > (limit - digit) / 10)
                return std::nullopt;
            magnitude = magnitude * 10 + digit;
        }
    }
    if (negative)
        magnitude = 0u - magnitude;
    return static_cast<std::int32_t>(magnitude);
}

std::int32_t StrToInt(const QByteArray &text)
{
    if (const std::optional<std::int32_t> value = ParseInteger(text))
        return *value;
    throw LumoError(LumoMessages::NotAnInteger(FromCp1252(text)));
}
