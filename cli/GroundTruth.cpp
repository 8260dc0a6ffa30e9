#include "GroundTruth.h"

#include "Hundredths.h"
#include "PageEffects.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>
#include <string>

namespace {

QString lineText(const PageTruth::Line &line, const TruthTexts &texts)
{
    QString text;
    text.reserve(static_cast<qsizetype>(line.characters.size()));
    for (const PageTruth::Character &character : line.characters)
        text += texts.Text(character.code);
    return text;
}

// A box symbol of tesseract's training tools is a visible character: a
// blank would end the symbol, and a tab marks a line's end.
bool boxable(const QString &character)
{
    return std::none_of(character.begin(), character.end(),
                        [](QChar c) { return c.isSpace() || c.category() == QChar::Other_Control; });
}

// A string as Qt's JSON classes write it, without the quotes.
QByteArray jsonEscaped(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return array.sliced(2, array.size() - 4);
}

void appendNumber(std::string &out, int value)
{
    char digits[12];
    const char *end = std::to_chars(digits, std::end(digits), value).ptr;
    out.append(digits, static_cast<std::size_t>(end - digits));
}

// [x,y,width,height]
void appendRect(std::string &out, const QRect &box)
{
    out += '[';
    appendNumber(out, box.x());
    out += ',';
    appendNumber(out, box.y());
    out += ',';
    appendNumber(out, box.width());
    out += ',';
    appendNumber(out, box.height());
    out += ']';
}

// A box, or null when there is none.
void appendBox(std::string &out, const QRect &box)
{
    if (box.isNull())
        out += "null";
    else
        appendRect(out, box);
}

// [[x,y],[x,y],[x,y],[x,y]]
void appendQuad(std::string &out, const QPolygonF &quad)
{
    out += '[';
    for (qsizetype i = 0; i < quad.size(); ++i) {
        out += i == 0 ? "[" : ",[";
        AppendHundredths(out, quad[i].x());
        out += ',';
        AppendHundredths(out, quad[i].y());
        out += ']';
    }
    out += ']';
}

// The lines as Qt's JSON classes write them compactly: the keys of an
// object sorted, no blanks.
void appendLines(std::string &json, const PageTruth &truth, const TruthTexts &texts)
{
    json += '[';
    for (const PageTruth::Line &line : truth.Lines()) {
        if (&line != &truth.Lines().front())
            json += ',';
        json += "{\"box\":";
        appendBox(json, line.box);
        json += ",\"chars\":[";
        for (const PageTruth::Character &character : line.characters) {
            if (&character != &line.characters.front())
                json += ',';
            json += '{';
            json += texts.BeforeCell(character.code);
            json += "\"cell\":";
            appendRect(json, character.cell);
            json += ',';
            json += texts.AfterCell(character.code);
            json += "\"ink\":";
            appendBox(json, character.ink);
            if (!character.quad.isEmpty()) {
                json += ",\"quad\":";
                appendQuad(json, character.quad);
            }
            json += ",\"text\":\"";
            json += texts.Json(character.code);
            json += "\"}";
        }
        // Qt escapes a string character by character, so the line's text is
        // its characters' escaped texts in a row.
        json += "],\"text\":\"";
        for (const PageTruth::Character &character : line.characters)
            json += texts.Json(character.code);
        json += "\"}";
    }
    json += ']';
}

void appendBytes(std::string &out, QByteArrayView bytes)
{
    out.append(bytes.data(), static_cast<std::size_t>(bytes.size()));
}

std::string toStdString(const QByteArray &bytes)
{
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

} // namespace

TruthTexts::TruthTexts(const CharacterText &text, const RenderJob &job)
    : m_eightBit(text.IsEightBit())
{
    const std::size_t count = text.CodeCount();
    m_texts.resize(count);
    m_json.resize(count);
    m_beforeCell.resize(count);
    m_afterCell.resize(count);
    m_symbols.resize(count);
    for (CharCode code = 0; code < count; ++code) {
        // Codes the text does not use are never asked for.
        if (code >= job.cells.size() || !job.cells[code])
            continue;
        const QString character = text.TextOf(code);
        m_texts[code] = character;
        m_json[code] = toStdString(jsonEscaped(character));
        if (boxable(character))
            m_symbols[code] = toStdString(character.toUtf8());
        // The keys are in the order Qt's JSON classes sort them.
        if (m_eightBit) {
            std::string &before = m_beforeCell[code];
            before = "\"byte\":";
            appendNumber(before, static_cast<int>(code));
            before += ',';
            continue;
        }
        std::string &after = m_afterCell[code];
        after = "\"codepoints\":[";
        const QList<uint> points = character.toUcs4();
        for (qsizetype i = 0; i < points.size(); ++i) {
            if (i > 0)
                after += ',';
            appendNumber(after, static_cast<int>(points[i]));
        }
        after += "],";
        const QString &family = job.CellOf(code).fallbackFamily;
        if (!family.isEmpty()) {
            after += "\"font\":\"";
            after += toStdString(jsonEscaped(family));
            after += "\",";
        }
    }
}

std::string ManifestLine(const PictureFacts &facts, const PageTruth &truth, const TruthTexts &texts)
{
    QJsonObject settings;
    for (const auto &[key, value] : facts.settings)
        settings.insert(QString::fromLatin1(key), FromCp1252(value));

    // The picture's object is made and written by Qt's JSON classes; its
    // lines (a million characters for a 1 MB text) are put into it as the
    // same classes would write them: a QJsonObject for every character
    // costs more than drawing the pages. Every string is still written by
    // Qt.
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
    // The recipe: every effect's setting, and what was drawn for this
    // picture, so that it can be made again and studied.
    QJsonObject withLook = picture;
    if (facts.look.Any() || facts.page.Any()) {
        withLook.insert(QStringLiteral("look"), QJsonObject{
                                                    {QStringLiteral("charRotate"), facts.look.rotate},
                                                    {QStringLiteral("charScale"), facts.look.scalePercent},
                                                    {QStringLiteral("baselineDrift"), facts.look.baselineDrift},
                                                    {QStringLiteral("inkFade"), facts.look.inkFadePercent},
                                                    {QStringLiteral("rotate"), facts.page.rotate},
                                                    {QStringLiteral("angle"), std::round(facts.pageAngle * 1e4) / 1e4},
                                                    {QStringLiteral("warp"), facts.page.warp},
                                                    {QStringLiteral("inkWeight"), facts.page.inkWeight},
                                                    {QStringLiteral("paper"), facts.page.paper},
                                                    {QStringLiteral("blur"), facts.page.blur},
                                                    {QStringLiteral("sensorNoise"), facts.page.sensorNoise},
                                                    {QStringLiteral("seed"), static_cast<qint64>(facts.seed)},
                                                });
        if (facts.page.scans) {
            const PaperCrop crop = CropFor(*facts.page.scans, b.Right - b.Left, b.Bottom - b.Top, facts.seed, facts.index);
            QJsonObject look = withLook.value(QStringLiteral("look")).toObject();
            look.insert(QStringLiteral("paperImage"), facts.page.scans->names[crop.scan]);
            look.insert(QStringLiteral("paperAt"), QJsonArray{crop.at.x(), crop.at.y()});
            withLook.insert(QStringLiteral("look"), look);
        }
    }
    if (!facts.lookName.isEmpty() || !facts.chosenFont.isEmpty()) {
        QJsonObject look = withLook.value(QStringLiteral("look")).toObject();
        if (!facts.lookName.isEmpty())
            look.insert(QStringLiteral("name"), facts.lookName);
        if (!facts.chosenFont.isEmpty())
            look.insert(QStringLiteral("font"), facts.chosenFont);
        look.insert(QStringLiteral("seed"), static_cast<qint64>(facts.seed));
        withLook.insert(QStringLiteral("look"), look);
    }
    const QByteArray object = QJsonDocument(withLook).toJson(QJsonDocument::Compact);
    const QByteArrayView placeholder = "\"lines\":null";
    const qsizetype at = object.indexOf(placeholder);
    std::string json;
    appendBytes(json, object.first(at));
    json += "\"lines\":";
    appendLines(json, truth, texts);
    appendBytes(json, object.sliced(at + placeholder.size()));
    json += '\n';
    return json;
}

std::string BoxFileText(const PageTruth &truth, const TruthTexts &texts, int pictureHeight, int page)
{
    // Tesseract's origin is the picture's bottom-left corner. A line's
    // numbers are put together first and appended at once: a page has a
    // thousand such lines.
    const auto appendBoxLine = [&](std::string &text, const QRect &ink) {
        char numbers[5 * 12 + 1];
        char *end = numbers;
        for (const int value : {ink.x(), pictureHeight - (ink.y() + ink.height()), ink.x() + ink.width(),
                                pictureHeight - ink.y(), page}) {
            *end++ = ' ';
            end = std::to_chars(end, std::end(numbers), value).ptr;
        }
        *end++ = '\n';
        text.append(numbers, static_cast<std::size_t>(end - numbers));
    };
    std::string text;
    std::size_t characters = 0;
    for (const PageTruth::Line &line : truth.Lines())
        characters += line.characters.size() + 1;
    text.reserve(characters * 24);
    for (const PageTruth::Line &line : truth.Lines()) {
        QRect written;
        for (const PageTruth::Character &character : line.characters) {
            const std::string &symbol = texts.Symbol(character.code);
            if (character.ink.isNull() || symbol.empty())
                continue;
            text += symbol;
            appendBoxLine(text, character.ink);
            written |= character.ink;
        }
        if (written.isNull())
            continue;
        // The end of the line: a narrow box just right of it, over its height.
        text += '\t';
        appendBoxLine(text, QRect(written.x() + written.width() + 1, written.y(), 4, written.height()));
    }
    return text;
}

std::vector<LineImage> LineImages(const PageTruth &truth, const QImage &picture, int margin,
                                  const TruthTexts &texts, QRgb background)
{
    std::vector<LineImage> images;
    for (std::size_t index = 0; index < truth.Lines().size(); ++index) {
        const PageTruth::Line &line = truth.Lines()[index];
        if (line.box.isNull())
            continue;
        const QRect cut = line.box.adjusted(-margin, -margin, margin, margin).intersected(picture.rect());
        QImage image = picture.copy(cut).convertToFormat(QImage::Format_RGB32);
        for (std::size_t other = 0; other < truth.Lines().size(); ++other) {
            if (other == index || !truth.Lines()[other].box.intersects(cut))
                continue;
            for (const PageTruth::Character &character : truth.Lines()[other].characters) {
                const QRect intruding = character.ink.intersected(cut);
                for (int y = intruding.top(); y <= intruding.bottom(); ++y) {
                    auto *row = reinterpret_cast<QRgb *>(image.scanLine(y - cut.top()));
                    for (int x = intruding.left(); x <= intruding.right(); ++x) {
                        // Where two lines' glyphs meet inside the line's own
                        // box, the line keeps what it shows.
                        if (!line.box.contains(x, y))
                            row[x - cut.left()] = background;
                    }
                }
            }
        }
        images.push_back({index, image, lineText(line, texts).trimmed().toUtf8()});
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
