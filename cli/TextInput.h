#pragma once

#include "CharacterText.h"
#include "RenderOptions.h"

#include <QByteArray>
#include <QString>

// The text a run of lumo-render draws: INPUT's bytes read, decoded in the
// encoding asked for, and checked for scripts that cannot be drawn one
// character at a time.

// Looks whether standard input is open; called first thing, before anything
// else can take its descriptor.
void NoteStandardInputState();

// INPUT's bytes up to its first NUL; "-" is standard input, waited for when
// it was left non-blocking. Raises "Datei ... kann nicht geöffnet werden."
// when it cannot be read.
QByteArray ReadInputBytes(const QString &input);

// The characters of INPUT in the encoding: the one given, or else
// defaultCodePage byte by byte. Raises a LumoError naming INPUT for bytes
// that are not UTF-8.
CharacterText DecodeInput(const QString &input, const std::optional<TextEncoding> &encoding,
                          const ByteToUnicode &defaultCodePage);

// DecodeInput's text, refused (a LumoError naming INPUT) when it holds a
// script that cannot be drawn one character at a time.
CharacterText ReadInputText(const QString &input, const std::optional<TextEncoding> &encoding,
                            const ByteToUnicode &defaultCodePage);
