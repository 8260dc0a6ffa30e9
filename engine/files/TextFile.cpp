#include "TextFile.h"

#include "WholeFile.h"

#include <QFile>
#include <algorithm>
#include <new>
#include <utility>

namespace {

// read(file) on the file opened for reading; a file that cannot be opened
// or read raises "Datei ... kann nicht geöffnet werden.".
template <typename Read>
void readOpened(const QString &path, Read &&read)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw CannotOpenError(path, file.errorString());
    read(file);
    if (file.error() != QFileDevice::NoError)
        throw CannotOpenError(path, file.errorString());
}

QByteArray readFile(const QString &path, qint64 maxBytes = -1)
{
    QByteArray bytes;
    readOpened(path, [&](QFile &file) { bytes = ReadTextBytes(file, maxBytes); });
    return bytes;
}

// The text ends at the first NUL byte, as the editor's text does; every line
// break (CR, LF or CR LF) becomes CR LF. Done in place, because the files
// that "convert from file" and lumo-render read can be hundreds of
// megabytes: a break only ever grows, so the text is moved up from its end
// without writing over a byte not yet read.
QByteArray normalize(QByteArray bytes)
{
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    const qsizetype size = bytes.size();
    const char *const begin = bytes.constData();
    // Each break that is not CR LF already takes one byte more.
    qsizetype grown = 0;
    for (const char *p = begin; p != begin + size; ++p) {
        if (*p == '\n')
            grown += p == begin || p[-1] != '\r';
        else if (*p == '\r')
            grown += p + 1 == begin + size || p[1] != '\n';
    }
    if (grown == 0)
        return bytes;
    bytes.resize(size + grown);
    char *const data = bytes.data();
    qsizetype from = size;
    qsizetype to = size + grown;
    while (from > 0) {
        const char c = data[--from];
        if (c == '\n' || c == '\r') {
            data[--to] = '\n';
            data[--to] = '\r';
            if (c == '\n' && from > 0 && data[from - 1] == '\r')
                --from;
        } else {
            data[--to] = c;
        }
    }
    return bytes;
}

// Hands the device's bytes to piece(bytes) a megabyte or so at a time,
// up to the first NUL byte or maxBytes when that is not negative: a device
// that never ends (or a huge file of zeros) is not read whole.
template <typename Piece>
void readPieces(QIODevice &device, qint64 maxBytes, Piece &&piece)
{
    constexpr qint64 pieceSize = qint64(1) << 20;
    qint64 read = 0;
    for (;;) {
        const qint64 wanted = maxBytes < 0 ? pieceSize : std::min(pieceSize, maxBytes - read);
        if (wanted <= 0)
            break;
        const QByteArray chunk = device.read(wanted);
        const qsizetype nul = chunk.indexOf('\0');
        if (nul >= 0) {
            piece(QByteArrayView(chunk.constData(), nul));
            break;
        }
        piece(QByteArrayView(chunk));
        read += chunk.size();
        if (chunk.size() < wanted && device.atEnd())
            break;
        if (chunk.isEmpty() && !device.waitForReadyRead(-1))
            break;
    }
}

} // namespace

QByteArray ReadTextBytes(QIODevice &device, qint64 maxBytes)
{
    QByteArray bytes;
    // A file of known size is read into room for it and for the CR LF its
    // line breaks may grow by, so that neither the reading nor the breaks
    // move it: only the pages written to are taken from memory. A file's
    // size says nothing of where its text ends (a sparse file of zeros is
    // huge and holds none), so the room is bounded, and a machine that
    // cannot give it reads without it.
    if (!device.isSequential()) {
        constexpr qint64 mostRoom = qint64(1) << 30;
        const qint64 known = maxBytes < 0 ? device.size() : std::min(device.size(), maxBytes);
        try {
            bytes.reserve(static_cast<qsizetype>(std::min(known + known / 8 + 16, mostRoom)));
        } catch (const std::bad_alloc &) {
        }
    }
    readPieces(device, maxBytes, [&bytes](QByteArrayView piece) { bytes.append(piece); });
    return bytes;
}

void ReadTextFilePieces(const QString &path, const std::function<void(QByteArrayView)> &piece)
{
    readOpened(path, [&piece](QFile &file) { readPieces(file, -1, piece); });
}

QByteArray TextFileLines(QByteArray bytes)
{
    QByteArray text = normalize(std::move(bytes));
    if (!text.isEmpty() && !text.endsWith('\n'))
        text.append("\r\n", 2);
    return text;
}

QByteArray LoadTextFile(const QString &path)
{
    return normalize(readFile(path));
}

QByteArray LoadTextFile(const QString &path, qsizetype limit)
{
    return normalize(readFile(path, static_cast<qint64>(limit) + 1));
}

QByteArray ReadTextFileBytes(const QString &path)
{
    return readFile(path);
}

QByteArray ReadTextFileLines(const QString &path)
{
    return TextFileLines(readFile(path));
}

void TextLinesStream::Put(QByteArrayView piece, QByteArray &out)
{
    if (piece.isEmpty())
        return;
    const char *p = piece.data();
    const char *const end = p + piece.size();
    if (m_waitingCr) {
        out.append("\r\n", 2);
        m_waitingCr = false;
        p += *p == '\n';
    }
    // Runs without a break are copied whole.
    while (p != end) {
        const char *brk = p;
        while (brk != end && *brk != '\n' && *brk != '\r')
            ++brk;
        out.append(p, brk - p);
        if (brk == end)
            break;
        if (*brk == '\r' && brk + 1 == end) {
            m_waitingCr = true;
            p = end;
            break;
        }
        out.append("\r\n", 2);
        p = brk + 1 + (*brk == '\r' && brk[1] == '\n');
    }
    m_any = true;
    m_lastWasBreak = m_waitingCr || piece.back() == '\n' || piece.back() == '\r';
}

void TextLinesStream::End(QByteArray &out)
{
    // A waiting CR is the last line's break; a last line without one gets it.
    if (m_any && (m_waitingCr || !m_lastWasBreak))
        out.append("\r\n", 2);
    m_waitingCr = false;
    m_any = false;
}
