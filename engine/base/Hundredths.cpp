#include "Hundredths.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <iterator>

void AppendHundredths(std::string &out, double value)
{
    const double hundredths = std::round(value * 100);
    // Below 100,000 the shortest text of the rounded double is its whole
    // number of hundredths as a plain decimal, trailing zeros dropped (an
    // exponent is never shorter there), and digits are far cheaper to
    // write than the double's shortest form is to find. A manifest writes
    // eight of these a character.
    if (std::abs(hundredths) < 1e7) {
        auto whole = static_cast<std::int64_t>(hundredths);
        if (whole < 0) {
            out += '-';
            whole = -whole;
        }
        char digits[24];
        char *end = std::to_chars(digits, std::end(digits), whole / 100).ptr;
        const int fraction = static_cast<int>(whole % 100);
        if (fraction != 0) {
            *end++ = '.';
            *end++ = static_cast<char>('0' + fraction / 10);
            if (fraction % 10 != 0)
                *end++ = static_cast<char>('0' + fraction % 10);
        }
        out.append(digits, static_cast<std::size_t>(end - digits));
        return;
    }
    char digits[32];
    const double rounded = hundredths / 100;
    const char *end = std::to_chars(digits, std::end(digits), rounded).ptr;
    out.append(digits, static_cast<std::size_t>(end - digits));
}
