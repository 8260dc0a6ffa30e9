#include "TextFile.h"

#include "WholeFile.h"

#include <QFile>
#include <algorithm>
#include <new>
#include <utility>

namespace {

QByteArray readFile(const QString &path, qint64 maxBytes = -1)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw CannotOpenError(path, file.errorString());
    QByteArray bytes = ReadTextBytes(file, maxBytes);
    if (file.error() != QFileDevice::NoError)
        throw CannotOpenError(path, file.errorString());
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

} // namespace

QByteArray ReadTextBytes(QIODevice &device, qint64 maxBytes)
{
    // In pieces, so that reading stops at the NUL byte that ends the text:
    // a device that never ends (or a huge file of zeros) is not read whole.
    constexpr qint64 piece = qint64(1) << 20;
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
    for (;;) {
        const qint64 wanted = maxBytes < 0 ? piece : std::min(piece, maxBytes - bytes.size());
        if (wanted <= 0)
            break;
        const QByteArray chunk = device.read(wanted);
        const qsizetype nul = chunk.indexOf('\0');
        if (nul >= 0) {
            bytes.append(chunk.constData(), nul);
            break;
        }
        bytes.append(chunk);
        if (chunk.size() < wanted && device.atEnd())
            break;
        if (chunk.isEmpty() && !device.waitForReadyRead(-1))
            break;
    }
    return bytes;
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
