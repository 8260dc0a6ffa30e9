#pragma once

#include "CharacterText.h"
#include "RenderOptions.h"
#include "RunText.h"
#include "SpooledText.h"

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

// INPUT's characters in the 8-bit code page, its lines ended by CR LF,
// spooled as they are read: what DecodeInput makes of them, for a text too
// long to be worth holding. The same errors as ReadInputBytes.
SpooledText SpoolInput(const QString &input, const ByteToUnicode &codePage);

// The characters of INPUT in the encoding: the one given, or else
// defaultCodePage byte by byte. Raises a LumoError naming INPUT for bytes
// that are not UTF-8.
CharacterText DecodeInput(const QString &input, const std::optional<TextEncoding> &encoding,
                          const ByteToUnicode &defaultCodePage);

// DecodeInput's text, refused (a LumoError naming INPUT) when it holds a
// script that cannot be drawn one character at a time.
CharacterText ReadInputText(const QString &input, const std::optional<TextEncoding> &encoding,
                            const ByteToUnicode &defaultCodePage);

// The text a run draws. An 8-bit text drawn as it is read (no
// --missing-glyphs, pages rather than one growing picture) is spooled, so
// that however long it is the run holds a few pages of it; any other is
// held whole, as ReadInputText reads it.
RunText ReadRunText(const RenderOptions &options, const ByteToUnicode &defaultCodePage);
