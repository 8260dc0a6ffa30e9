#include "GroundTruth.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <array>
#include <charconv>
#include <string>

namespace {

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

// A string as Qt's JSON classes write it, without the quotes.
QByteArray jsonEscaped(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return array.sliced(2, array.size() - 4);
}

// The manifest's lines are most of its bytes: they are put together in a
// std::string, whose appends of a few bytes cost less than QByteArray's
// (0.49 s instead of 0.63 s on one thread for the manifest of a 1 MB text).
void appendNumber(std::string &json, int value)
{
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    json.append(digits, static_cast<std::size_t>(end - digits));
}

void appendRect(std::string &json, const QRect &box)
{
    json += '[';
    appendNumber(json, box.x());
    json += ',';
    appendNumber(json, box.y());
    json += ',';
    appendNumber(json, box.width());
    json += ',';
    appendNumber(json, box.height());
    json += ']';
}

// A box, or null when there is none.
void appendBox(std::string &json, const QRect &box)
{
    if (box.isNull())
        json += "null";
    else
        appendRect(json, box);
}

void appendBytes(std::string &json, const QByteArray &bytes)
{
    json.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// The lines as Qt's JSON classes write them compactly: the keys of an
// object sorted, no blanks.
std::string linesJson(const PageTruth &truth, const TruthTexts &texts)
{
    std::string json;
    json.reserve(1 << 16);
    json += '[';
    for (const PageTruth::Line &line : truth.Lines()) {
        if (json.size() > 1)
            json += ',';
        json += "{\"box\":";
        appendBox(json, line.box);
        json += ",\"chars\":[";
        bool first = true;
        for (const PageTruth::Character &character : line.characters) {
            json += first ? "{\"byte\":" : ",{\"byte\":";
            first = false;
            appendNumber(json, character.byte);
            json += ",\"cell\":";
            appendRect(json, character.cell);
            json += ",\"ink\":";
            appendBox(json, character.ink);
            json += ",\"text\":\"";
            appendBytes(json, texts.Json(character.byte));
            json += "\"}";
        }
        // Qt escapes a string character by character, so the line's text
        // is its characters' escaped texts in a row.
        json += "],\"text\":\"";
        for (const PageTruth::Character &character : line.characters)
            appendBytes(json, texts.Json(character.byte));
        json += "\"}";
    }
    json += ']';
    return json;
}

} // namespace

TruthTexts::TruthTexts(const ByteToUnicode &characters)
    : m_characters(characters)
{
    for (std::size_t byte = 0; byte < 256; ++byte) {
        const QString text{QChar(characters[byte])};
        m_json[byte] = jsonEscaped(text);
        if (boxable(text.front()))
            m_symbols[byte] = text.toUtf8();
    }
}

QByteArray ManifestLine(const PictureFacts &facts, const PageTruth &truth, const TruthTexts &texts)
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
    const QByteArray object = QJsonDocument(picture).toJson(QJsonDocument::Compact);
    const QByteArrayView placeholder = "\"lines\":null";
    const qsizetype at = object.indexOf(placeholder);
    const std::string lines = linesJson(truth, texts);
    QByteArray json;
    json.reserve(object.size() + static_cast<qsizetype>(lines.size()) + 16);
    json.append(object.first(at));
    json.append("\"lines\":");
    json.append(lines.data(), static_cast<qsizetype>(lines.size()));
    json.append(object.sliced(at + placeholder.size()));
    json.append('\n');
    return json;
}

QByteArray BoxFileText(const PageTruth &truth, const TruthTexts &texts, int pictureHeight, int page)
{
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
            const QByteArray &symbol = texts.Symbol(character.byte);
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
