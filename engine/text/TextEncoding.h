#pragma once

#include "CharacterText.h"
#include "CodePage.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// How the bytes of a text file are characters: UTF-8, or one byte a
// character of a Windows code page.
struct TextEncoding
{
    bool utf8 = false;
    // The code page of an 8-bit encoding (874, 1250 ... 1258).
    int codePage = 0;
};

// The encoding of a name as lumo-render takes it: "utf-8" or "utf8",
// "cp874" or "cp1250" ... "cp1258", in any case; none for any other name.
std::optional<TextEncoding> EncodingNamed(const QString &name);
// The names EncodingNamed takes, as the help lists them.
QStringList EncodingNames();

// The characters of a text file's bytes (up to its first NUL), its lines
// ended by CR LF as the conversions take them. UTF-8 may start with a
// byte-order mark, which is no character; bytes that are not UTF-8 raise
// InvalidUtf8, placed in the bytes as given. Bytes given over (moved) are
// let go as soon as they are read.
CharacterText DecodeText(QByteArray bytes, const TextEncoding &encoding);
