#pragma once

#include "LumoError.h"

#include <QByteArray>
#include <QString>

// Text files in UTF-8, read strictly: a byte sequence that is not UTF-8
// is an error that says where it is, never a replacement character.

// The first place where bytes are not UTF-8: overlong forms, surrogates,
// values above U+10FFFF, stray continuation bytes and cut sequences all
// count.
class InvalidUtf8 : public LumoError
{
public:
    // line counts from 1 (CR, LF and CR LF end a line); offset is the
    // bad byte's from the start of the bytes, from 0.
    InvalidUtf8(qsizetype line, qsizetype offset, unsigned char byte);
    qsizetype Line() const { return m_line; }
    qsizetype Offset() const { return m_offset; }

private:
    qsizetype m_line;
    qsizetype m_offset;
};

// How many bytes at the start are a byte-order mark (0 or 3).
qsizetype Utf8MarkLength(const QByteArray &bytes);

// Raises InvalidUtf8 at the first place the bytes are not UTF-8.
void CheckUtf8(const QByteArray &bytes);
