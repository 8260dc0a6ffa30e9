#include "TextInput.h"

#include "LumoError.h"
#include "RefusedScripts.h"
#include "TextFile.h"
#include "Utf8Text.h"
#include "WholeFile.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <utility>

namespace {

const QString standardInputName = QStringLiteral("/dev/stdin");

bool standardInputClosed = false;

QByteArray readStandardInput()
{
    if (standardInputClosed)
        throw CannotOpenError(standardInputName, QStringLiteral("Standard input is closed"));
    QByteArray bytes;
    constexpr qsizetype piece = qsizetype(1) << 20;
    for (;;) {
        const qsizetype used = bytes.size();
        bytes.resize(used + piece);
        const ssize_t got = ::read(STDIN_FILENO, bytes.data() + used, piece);
        if (got < 0 && errno == EINTR) {
            bytes.resize(used);
            continue;
        }
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            bytes.resize(used);
            pollfd ready{STDIN_FILENO, POLLIN, 0};
            ::poll(&ready, 1, -1);
            continue;
        }
        if (got < 0) {
            const int error = errno;
            throw CannotOpenError(standardInputName, qt_error_string(error));
        }
        bytes.resize(used + got);
        const qsizetype nul = bytes.indexOf('\0', used);
        if (nul >= 0) {
            bytes.truncate(nul);
            break;
        }
        if (got == 0)
            break;
    }
    return bytes;
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
    return input == u"-" ? readStandardInput() : ReadTextFileBytes(input);
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
