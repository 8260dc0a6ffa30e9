#include "GroundTruth.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <array>
#include <charconv>

namespace {

QString textOf(unsigned char byte, const ByteToUnicode &characters)
{
    return QString(QChar(characters[byte]));
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

// A string as Qt's JSON classes write it, quotes included.
QByteArray jsonString(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return array.sliced(1, array.size() - 2);
}

void appendNumber(QByteArray &json, int value)
{
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    json.append(digits, end - digits);
}

void appendRect(QByteArray &json, const QRect &box)
{
    json.append('[');
    appendNumber(json, box.x());
    json.append(',');
    appendNumber(json, box.y());
    json.append(',');
    appendNumber(json, box.width());
    json.append(',');
    appendNumber(json, box.height());
    json.append(']');
}

// A box, or null when there is none.
void appendBox(QByteArray &json, const QRect &box)
{
    if (box.isNull())
        json.append("null");
    else
        appendRect(json, box);
}

// The lines as Qt's JSON classes write them compactly: the keys of an
// object sorted, no blanks.
QByteArray linesJson(const PageTruth &truth, const ByteToUnicode &characters)
{
    std::array<QByteArray, 256> texts;
    for (int byte = 0; byte < 256; ++byte)
        texts[static_cast<std::size_t>(byte)] = jsonString(textOf(static_cast<unsigned char>(byte), characters));
    QByteArray json;
    json.reserve(4096);
    json.append('[');
    for (const PageTruth::Line &line : truth.Lines()) {
        if (json.size() > 1)
            json.append(',');
        json.append("{\"box\":");
        appendBox(json, line.box);
        json.append(",\"chars\":[");
        bool first = true;
        for (const PageTruth::Character &character : line.characters) {
            json.append(first ? "{\"byte\":" : ",{\"byte\":");
            first = false;
            appendNumber(json, character.byte);
            json.append(",\"cell\":");
            appendRect(json, character.cell);
            json.append(",\"ink\":");
            appendBox(json, character.ink);
            json.append(",\"text\":");
            json.append(texts[character.byte]);
            json.append('}');
        }
        json.append("],\"text\":");
        json.append(jsonString(lineText(line, characters)));
        json.append('}');
    }
    json.append(']');
    return json;
}

} // namespace

QByteArray ManifestLine(const PictureFacts &facts, const PageTruth &truth, const ByteToUnicode &characters)
{
    QJsonObject settings;
    for (const auto &[key, value] : facts.settings)
        settings.insert(QString::fromLatin1(key), FromCp1252(value));

    // The picture's object is made and written by Qt's JSON classes; its
    // lines (a million characters for a 1 MB text) are put into it as the
    // same classes would write them: building a QJsonObject for every
    // character made the manifest cost 2.5 times the rendering itself.
    // Every string is still written by Qt.
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
        {QStringLiteral("lines"), QJsonValue::Null},
    };
    QByteArray json = QJsonDocument(picture).toJson(QJsonDocument::Compact);
    const QByteArray placeholder = "\"lines\":null";
    const qsizetype at = json.indexOf(placeholder);
    json.replace(at, placeholder.size(), "\"lines\":" + linesJson(truth, characters));
    return json + '\n';
}

QByteArray BoxFileText(const PageTruth &truth, const ByteToUnicode &characters, int pictureHeight, int page)
{
    // Each byte's symbol once a picture, empty for one that is no symbol.
    std::array<QByteArray, 256> symbols;
    for (int byte = 0; byte < 256; ++byte) {
        const QChar c(characters[static_cast<std::size_t>(byte)]);
        if (boxable(c))
            symbols[static_cast<std::size_t>(byte)] = QString(c).toUtf8();
    }
    QByteArray text;
    text.reserve(4096);
    char number[16];
    const auto append = [&](int value) {
        text.append(' ');
        const auto end = std::to_chars(number, number + sizeof number, value).ptr;
        text.append(number, end - number);
    };
    // Tesseract's origin is the picture's bottom-left corner.
    const auto appendBox = [&](const QRect &ink) {
        append(ink.x());
        append(pictureHeight - (ink.y() + ink.height()));
        append(ink.x() + ink.width());
        append(pictureHeight - ink.y());
        append(page);
        text.append('\n');
    };
    for (const PageTruth::Line &line : truth.Lines()) {
        QRect written;
        for (const PageTruth::Character &character : line.characters) {
            const QByteArray &symbol = symbols[character.byte];
            if (character.ink.isNull() || symbol.isEmpty())
                continue;
            text.append(symbol);
            appendBox(character.ink);
            written = written.united(character.ink);
        }
        if (written.isNull())
            continue;
        // The end of the line: a narrow box just right of it, over its height.
        text.append('\t');
        appendBox(QRect(written.x() + written.width() + 1, written.y(), 4, written.height()));
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
