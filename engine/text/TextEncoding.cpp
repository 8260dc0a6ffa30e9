#include "TextEncoding.h"

#include "TextFile.h"
#include "Utf8Text.h"

#include <QStringDecoder>
#include <utility>

namespace {

constexpr int codePages[] = {874, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258};

} // namespace

std::optional<TextEncoding> EncodingNamed(const QString &name)
{
    const QString lower = name.toLower();
    if (lower == u"utf-8" || lower == u"utf8")
        return TextEncoding{true, 0};
    for (const int codePage : codePages) {
        if (lower == QStringLiteral("cp%1").arg(codePage))
            return TextEncoding{false, codePage};
    }
    return std::nullopt;
}

QStringList EncodingNames()
{
    QStringList names{QStringLiteral("utf-8")};
    for (const int codePage : codePages)
        names.append(QStringLiteral("cp%1").arg(codePage));
    return names;
}

CharacterText DecodeText(QByteArray bytes, const TextEncoding &encoding)
{
    if (!encoding.utf8)
        return CharacterText::FromBytes(TextFileLines(std::move(bytes)), CodePageTable(encoding.codePage));
    CheckUtf8(bytes);
    const qsizetype mark = Utf8MarkLength(bytes);
    QString unicode;
    {
        const QByteArray lines = TextFileLines(mark == 0 ? std::move(bytes) : bytes.sliced(mark));
        bytes = {};
        // Only the first mark is no character: QString::fromUtf8 would drop
        // a second one too, which then is a ZERO WIDTH NO-BREAK SPACE of the text.
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
        unicode = decoder(lines);
    }
    return CharacterText::FromUnicode(unicode);
}
