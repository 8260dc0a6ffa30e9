#include "Utf8Text.h"

namespace {

QString describe(qsizetype line, qsizetype offset, unsigned char byte)
{
    return QStringLiteral("not valid UTF-8 at line %1, byte offset %2 (byte 0x%3)")
        .arg(line)
        .arg(offset)
        .arg(byte, 2, 16, QLatin1Char('0'));
}

bool continuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

} // namespace

InvalidUtf8::InvalidUtf8(qsizetype line, qsizetype offset, unsigned char byte)
    : LumoError(describe(line, offset, byte)), m_line(line), m_offset(offset)
{
}

qsizetype Utf8MarkLength(const QByteArray &bytes)
{
    return bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
}

void CheckUtf8(const QByteArray &bytes)
{
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype size = bytes.size();
    qsizetype line = 1;
    qsizetype i = 0;
    while (i < size) {
        const unsigned char lead = data[i];
        if (lead < 0x80) {
            // CR LF ends one line: the CR counts, the LF after it does not.
            if (lead == '\n' || (lead == '\r' && !(i + 1 < size && data[i + 1] == '\n')))
                ++line;
            ++i;
            continue;
        }
        // The length of the sequence and the range of its second byte,
        // which rules out overlong forms, surrogates and values past U+10FFFF.
        int length = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            throw InvalidUtf8(line, i, lead);
        }
        for (int k = 1; k < length; ++k) {
            const qsizetype at = i + k;
            if (at >= size)
                throw InvalidUtf8(line, i, lead);
            const unsigned char next = data[at];
            const bool fits = k == 1 ? next >= low && next <= high : continuation(next);
            if (!fits)
                throw InvalidUtf8(line, at, next);
        }
        i += length;
    }
}
