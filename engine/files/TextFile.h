#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>
#include <QString>

// 8-bit text files as the editor and the conversions read them.

// The file's bytes up to the first NUL byte, with every CR, LF or CR LF
// turned into CR LF; a final line without a break keeps none. A file that
// cannot be opened raises "Datei <full path> kann nicht geöffnet werden. <reason>".
QByteArray LoadTextFile(const QString &path);
// The same, reading no more than limit + 1 bytes of the file: a text longer
// than limit comes back longer than limit (and cut), so a caller with a
// capacity need not read a huge file whole to refuse it.
QByteArray LoadTextFile(const QString &path, qsizetype limit);

// The file's lines (ending at CR, LF or CR LF; text after the first NUL byte
// dropped), each followed by CR LF: the text that "convert from file" converts.
QByteArray ReadTextFileLines(const QString &path);

// The device's bytes up to the first NUL byte (which is not included), or
// up to maxBytes when that is not negative.
QByteArray ReadTextBytes(QIODevice &device, qint64 maxBytes = -1);

// The file's bytes up to the first NUL byte, as they are.
QByteArray ReadTextFileBytes(const QString &path);

// ReadTextFileLines' rule on bytes already read (standard input, for one);
// bytes given over (moved) are changed in place.
QByteArray TextFileLines(QByteArray bytes);
