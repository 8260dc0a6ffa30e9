#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>

// Lumo's texts are 8-bit. These tables say which character each byte is.
using ByteToUnicode = std::array<char16_t, 256>;

// Windows-1252, the code page of the settings file, the editor's texts and
// fonts of charset 0 and 1.
const ByteToUnicode &Cp1252Table();

// The table for a font charset number: its Windows code page where the
// system's iconv knows it (1250 for 238, 1251 for 204, 1253 for 161, ...),
// Windows-1252 otherwise and for every byte the code page leaves undefined.
const ByteToUnicode &CharsetTable(std::uint8_t charset);

// The table of a Windows code page (874, 1250 ... 1258, ...) as iconv knows
// it, with Windows-1252 for every byte it leaves undefined.
const ByteToUnicode &CodePageTable(int codePage);

QString FromCp1252(const QByteArray &bytes);
// Characters that Windows-1252 lacks become "?".
QByteArray ToCp1252(const QString &text);
// Whether every character of the text has a Windows-1252 byte: ToCp1252
// then writes no "?" in its place, and FromCp1252 gives the text back.
bool FitsCp1252(const QString &text);

// Upper case as Windows-1252 has it (also the accented letters, š, œ, ž, ÿ).
QByteArray UpperCp1252(const QByteArray &bytes);
