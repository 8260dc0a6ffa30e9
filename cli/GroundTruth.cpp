#include "GroundTruth.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>

namespace {

QString textOf(unsigned char byte, const ByteToUnicode &characters)
{
    return QString(QChar(characters[byte]));
}

QJsonValue boxValue(const QRect &box)
{
    if (box.isNull())
        return QJsonValue::Null;
    return QJsonArray{box.x(), box.y(), box.width(), box.height()};
}

QString lineText(const PageTruth::Line &line, const ByteToUnicode &characters)
{
    QString text;
    text.reserve(static_cast<qsizetype>(line.characters.size()));
    for (const PageTruth::Character &character : line.characters)
        text += QChar(characters[character.byte]);
    return text;
}

// A box symbol of tesseract's training tools is a visible character: a
// blank would end the symbol, and a tab marks a line's end.
bool boxable(QChar c)
{
    return !c.isSpace() && c.category() != QChar::Other_Control;
}

} // namespace

QByteArray ManifestLine(const PictureFacts &facts, const PageTruth &truth, const ByteToUnicode &characters)
{
    QJsonObject settings;
    for (const auto &[key, value] : facts.settings)
        settings.insert(QString::fromLatin1(key), FromCp1252(value));

    QJsonArray lines;
    for (const PageTruth::Line &line : truth.Lines()) {
        QJsonArray chars;
        for (const PageTruth::Character &character : line.characters) {
            chars.append(QJsonObject{
                {QStringLiteral("byte"), character.byte},
                {QStringLiteral("text"), textOf(character.byte, characters)},
                {QStringLiteral("cell"), QJsonArray{character.cell.x(), character.cell.y(), character.cell.width(),
                                                     character.cell.height()}},
                {QStringLiteral("ink"), boxValue(character.ink)},
            });
        }
        lines.append(QJsonObject{
            {QStringLiteral("text"), lineText(line, characters)},
            {QStringLiteral("box"), boxValue(line.box)},
            {QStringLiteral("chars"), chars},
        });
    }

    const LumoRect &b = facts.bounds;
    const QJsonObject picture{
        {QStringLiteral("file"), facts.file},
        {QStringLiteral("index"), facts.index},
        {QStringLiteral("width"), static_cast<qint64>(b.Right) - b.Left},
        {QStringLiteral("height"), static_cast<qint64>(b.Bottom) - b.Top},
        {QStringLiteral("left"), b.Left},
        {QStringLiteral("top"), b.Top},
        {QStringLiteral("seed"), static_cast<qint64>(facts.seed)},
        {QStringLiteral("settings"), settings},
        {QStringLiteral("version"), facts.version},
        {QStringLiteral("lines"), lines},
    };
    return QJsonDocument(picture).toJson(QJsonDocument::Compact) + '\n';
}

QByteArray BoxFileText(const PageTruth &truth, const ByteToUnicode &characters, int pictureHeight, int page)
{
    QByteArray text;
    const QByteArray pageText = ' ' + QByteArray::number(page) + '\n';
    const auto box = [&](const QRect &ink) {
        // Tesseract's origin is the picture's bottom-left corner.
        return QByteArray::number(ink.x()) + ' ' + QByteArray::number(pictureHeight - (ink.y() + ink.height())) + ' '
               + QByteArray::number(ink.x() + ink.width()) + ' ' + QByteArray::number(pictureHeight - ink.y());
    };
    for (const PageTruth::Line &line : truth.Lines()) {
        QRect written;
        for (const PageTruth::Character &character : line.characters) {
            const QChar c(characters[character.byte]);
            if (character.ink.isNull() || !boxable(c))
                continue;
            text += QString(c).toUtf8() + ' ' + box(character.ink) + pageText;
            written = written.united(character.ink);
        }
        if (written.isNull())
            continue;
        // The end of the line: a narrow box just right of it, over its height.
        const QRect end(written.x() + written.width() + 1, written.y(), 4, written.height());
        text += "\t " + box(end) + pageText;
    }
    return text;
}

std::vector<LineImage> LineImages(const PageTruth &truth, const QImage &picture, int margin,
                                  const ByteToUnicode &characters)
{
    std::vector<LineImage> images;
    for (std::size_t index = 0; index < truth.Lines().size(); ++index) {
        const PageTruth::Line &line = truth.Lines()[index];
        if (line.box.isNull())
            continue;
        const QRect cut = line.box.adjusted(-margin, -margin, margin, margin).intersected(picture.rect());
        images.push_back({index, picture.copy(cut), lineText(line, characters).trimmed().toUtf8()});
    }
    return images;
}

QImage OutlinedInk(const QImage &picture, const PageTruth &truth)
{
    QImage outlined = picture.convertToFormat(QImage::Format_RGB32);
    QPainter painter(&outlined);
    painter.setPen(QColor(255, 0, 0));
    for (const PageTruth::Line &line : truth.Lines()) {
        for (const PageTruth::Character &character : line.characters) {
            if (!character.ink.isNull())
                painter.drawRect(character.ink.adjusted(-1, -1, 0, 0));
        }
    }
    return outlined;
}
