#include "TextInput.h"

#include "LumoError.h"
#include "RefusedScripts.h"
#include "TextFile.h"
#include "Utf8Text.h"
#include "WholeFile.h"

#include <QByteArrayView>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <unistd.h>
#include <utility>

namespace {

const QString standardInputName = QStringLiteral("/dev/stdin");

bool standardInputClosed = false;

// Hands standard input's bytes to piece(bytes) as they come, up to the
// first NUL byte.
void readStandardInput(const std::function<void(QByteArrayView)> &piece)
{
    if (standardInputClosed)
        throw CannotOpenError(standardInputName, QStringLiteral("Standard input is closed"));
    QByteArray buffer(qsizetype(1) << 20, Qt::Uninitialized);
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, buffer.data(), static_cast<std::size_t>(buffer.size()));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd ready{STDIN_FILENO, POLLIN, 0};
            ::poll(&ready, 1, -1);
            continue;
        }
        if (got < 0) {
            const int error = errno;
            throw CannotOpenError(standardInputName, qt_error_string(error));
        }
        const QByteArrayView read(buffer.constData(), got);
        const qsizetype nul = read.indexOf('\0');
        if (nul >= 0) {
            piece(read.first(nul));
            break;
        }
        if (got == 0)
            break;
        piece(read);
    }
}

QString shownName(const QString &input)
{
    return input == u"-" ? standardInputName : input;
}

} // namespace

void NoteStandardInputState()
{
    standardInputClosed = ::fcntl(STDIN_FILENO, F_GETFD) == -1 && errno == EBADF;
}

QByteArray ReadInputBytes(const QString &input)
{
    if (input != u"-")
        return ReadTextFileBytes(input);
    QByteArray bytes;
    readStandardInput([&bytes](QByteArrayView piece) { bytes.append(piece); });
    return bytes;
}

SpooledText SpoolInput(const QString &input, const ByteToUnicode &codePage)
{
    SpooledText text(codePage);
    const auto put = [&text](QByteArrayView piece) { text.Put(piece); };
    try {
        if (input == u"-")
            readStandardInput(put);
        else
            ReadTextFilePieces(input, put);
        text.End();
    } catch (const SpoolUnreadable &error) {
        throw LumoError(QStringLiteral("lumo-render: %1").arg(error.message()));
    }
    return text;
}

CharacterText DecodeInput(const QString &input, const std::optional<TextEncoding> &encoding,
                          const ByteToUnicode &defaultCodePage)
{
    QByteArray bytes = ReadInputBytes(input);
    if (!encoding)
        return CharacterText::FromBytes(TextFileLines(std::move(bytes)), defaultCodePage);
    try {
        return DecodeText(std::move(bytes), *encoding);
    } catch (const InvalidUtf8 &error) {
        throw LumoError(QStringLiteral("lumo-render: '%1': %2").arg(shownName(input), error.message()));
    }
}

CharacterText ReadInputText(const QString &input, const std::optional<TextEncoding> &encoding,
                            const ByteToUnicode &defaultCodePage)
{
    CharacterText text = DecodeInput(input, encoding, defaultCodePage);
    try {
        CheckScripts(text);
    } catch (const RefusedScript &error) {
        throw LumoError(QStringLiteral("lumo-render: '%1': %2").arg(shownName(input), error.message()));
    }
    return text;
}

RunText ReadRunText(const RenderOptions &options, const ByteToUnicode &defaultCodePage)
{
    const bool eightBit = !options.encoding || !options.encoding->utf8;
    if (!eightBit || options.missingGlyphsGiven || options.onePicture)
        return RunText(ReadInputText(options.input, options.encoding, defaultCodePage));
    const ByteToUnicode &codePage = options.encoding ? CodePageTable(options.encoding->codePage) : defaultCodePage;
    return RunText(SpoolInput(options.input, codePage));
}
