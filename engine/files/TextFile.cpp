#include "TextFile.h"

#include "WholeFile.h"

#include <QFile>
#include <algorithm>
#include <cstring>

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
// break (CR, LF or CR LF) becomes CR LF. Done in one pass because the files
// that "convert from file" reads can be large.
QByteArray normalize(const QByteArray &bytes)
{
    const char *p = bytes.constData();
    const auto *nul = static_cast<const char *>(std::memchr(p, '\0', static_cast<size_t>(bytes.size())));
    const char *const end = nul ? nul : p + bytes.size();

    QByteArray text;
    text.reserve((end - p) + (end - p) / 16 + 2);
    while (p != end) {
        const char *lineEnd = p;
        while (lineEnd != end && *lineEnd != '\r' && *lineEnd != '\n')
            ++lineEnd;
        text.append(p, lineEnd - p);
        p = lineEnd;
        if (p == end)
            break;
        text.append("\r\n", 2);
        if (*p == '\r')
            ++p;
        if (p != end && *p == '\n')
            ++p;
    }
    return text;
}

} // namespace

QByteArray ReadTextBytes(QIODevice &device, qint64 maxBytes)
{
    // In pieces, so that reading stops at the NUL byte that ends the text:
    // a device that never ends (or a huge file of zeros) is not read whole.
    constexpr qint64 piece = qint64(1) << 20;
    QByteArray bytes;
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

QByteArray TextFileLines(const QByteArray &bytes)
{
    QByteArray text = normalize(bytes);
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
