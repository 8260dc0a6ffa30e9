#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>
#include <QString>
#include <functional>

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
// The same bytes handed to piece(bytes) a megabyte or so at a time, for a
// file too long to be worth holding; the same errors.
void ReadTextFilePieces(const QString &path, const std::function<void(QByteArrayView)> &piece);

// ReadTextFileLines' rule on bytes already read (standard input, for one);
// bytes given over (moved) are changed in place.
QByteArray TextFileLines(QByteArray bytes);

// TextFileLines' rule on a text that comes in pieces, too long to hold:
// each piece's lines go out as soon as they are known (a CR at a piece's
// end waits for the next piece's first byte), and together they are
// exactly what TextFileLines makes of all the pieces at once. The pieces
// must hold no NUL byte (the text ended before it).
class TextLinesStream
{
public:
    // The piece's bytes with their breaks made CR LF, appended to out.
    void Put(QByteArrayView piece, QByteArray &out);
    // What is still owed at the text's end, appended to out: the break of
    // a waiting CR, and one after a last line that has none.
    void End(QByteArray &out);

private:
    bool m_waitingCr = false;
    bool m_any = false;
    bool m_lastWasBreak = false;
};
