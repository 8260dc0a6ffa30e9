#include "GroundTruth.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <cstring>
#include <stdexcept>
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

// The manifest and the box files are millions of small pieces. Each line
// gets room for its longest form at once, and the pieces are written
// through a pointer into it: appending each to a string cost a call and a
// check apiece (the manifest and box files of a 1 MB text on one thread:
// 0.04 s instead of 0.10 s).
template <typename Write>
void appendWithin(std::string &out, std::size_t room, Write write)
{
    const std::size_t start = out.size();
    out.resize(start + room);
    char *const end = write(out.data() + start);
    out.resize(static_cast<std::size_t>(end - out.data()));
}

template <std::size_t N>
char *put(char *at, const char (&literal)[N])
{
    std::memcpy(at, literal, N - 1);
    return at + N - 1;
}

char *put(char *at, char c)
{
    *at = c;
    return at + 1;
}

// Copies the piece's whole room, so that the copy has a fixed size; what
// lies beyond the piece is written over next.
char *put(char *at, const TruthTexts::Piece &piece)
{
    std::memcpy(at, piece.bytes.data(), piece.bytes.size());
    return at + piece.size;
}

constexpr std::size_t NumberRoom = 11; // -2147483648

// The numbers below 1000, each as its digits in a room of four bytes and
// its length in the fourth: nearly every number of a page is one of them,
// and with them and without QRect unions the texts of a 1 MB text took
// 0.04 s of processor time instead of 0.07 s.
constexpr auto SmallNumbers = [] {
    std::array<std::array<char, 4>, 1000> numbers{};
    for (int value = 0; value < 1000; ++value) {
        auto &number = numbers[static_cast<std::size_t>(value)];
        const int length = value < 10 ? 1 : value < 100 ? 2 : 3;
        for (int digit = length - 1, rest = value; digit >= 0; --digit, rest /= 10)
            number[static_cast<std::size_t>(digit)] = static_cast<char>('0' + rest % 10);
        number[3] = static_cast<char>(length);
    }
    return numbers;
}();

char *putNumber(char *at, int value)
{
    if (value >= 0 && value < 1000) {
        const auto &number = SmallNumbers[static_cast<std::size_t>(value)];
        std::memcpy(at, number.data(), 3);
        return at + number[3];
    }
    return std::to_chars(at, at + NumberRoom, value).ptr;
}

constexpr std::size_t RectRoom = 2 + 4 * NumberRoom + 3;

char *putRect(char *at, const QRect &box)
{
    at = put(at, '[');
    at = putNumber(at, box.x());
    at = put(at, ',');
    at = putNumber(at, box.y());
    at = put(at, ',');
    at = putNumber(at, box.width());
    at = put(at, ',');
    at = putNumber(at, box.height());
    return put(at, ']');
}

// A box, or null when there is none.
char *putBox(char *at, const QRect &box)
{
    return box.isNull() ? put(at, "null") : putRect(at, box);
}

constexpr std::size_t PieceRoom = sizeof(TruthTexts::Piece::bytes);
// ,{"byte":255,"cell":[..],"ink":[..],"text":"..."} and the text once more
// in the line's text.
constexpr std::size_t CharacterRoom = 9 + 3 + 8 + RectRoom + 7 + RectRoom + 9 + PieceRoom + 2 + PieceRoom;
// ,{"box":[..],"chars":[ ... ],"text":" ... "}
constexpr std::size_t LineRoom = 8 + RectRoom + 10 + 10 + 2;

// The lines as Qt's JSON classes write them compactly: the keys of an
// object sorted, no blanks.
void appendLines(std::string &json, const PageTruth &truth, const TruthTexts &texts)
{
    json += '[';
    for (const PageTruth::Line &line : truth.Lines()) {
        appendWithin(json, LineRoom + line.characters.size() * CharacterRoom, [&](char *at) {
            if (&line != &truth.Lines().front())
                at = put(at, ',');
            at = put(at, "{\"box\":");
            at = putBox(at, line.box);
            at = put(at, ",\"chars\":[");
            for (const PageTruth::Character &character : line.characters) {
                if (&character != &line.characters.front())
                    at = put(at, ',');
                at = put(at, "{\"byte\":");
                at = putNumber(at, character.byte);
                at = put(at, ",\"cell\":");
                at = putRect(at, character.cell);
                at = put(at, ",\"ink\":");
                at = putBox(at, character.ink);
                at = put(at, ",\"text\":\"");
                at = put(at, texts.Json(character.byte));
                at = put(at, "\"}");
            }
            // Qt escapes a string character by character, so the line's
            // text is its characters' escaped texts in a row.
            at = put(at, "],\"text\":\"");
            for (const PageTruth::Character &character : line.characters)
                at = put(at, texts.Json(character.byte));
            return put(at, "\"}");
        });
    }
    json += ']';
}

void appendBytes(std::string &out, QByteArrayView bytes)
{
    out.append(bytes.data(), static_cast<std::size_t>(bytes.size()));
}

TruthTexts::Piece pieceOf(const QByteArray &bytes)
{
    TruthTexts::Piece piece;
    if (bytes.size() > static_cast<qsizetype>(piece.bytes.size()))
        throw std::logic_error("a character's text is longer than its room");
    std::memcpy(piece.bytes.data(), bytes.constData(), static_cast<std::size_t>(bytes.size()));
    piece.size = static_cast<std::uint8_t>(bytes.size());
    return piece;
}

} // namespace

TruthTexts::TruthTexts(const ByteToUnicode &characters)
    : m_characters(characters)
{
    for (std::size_t byte = 0; byte < 256; ++byte) {
        const QString text{QChar(characters[byte])};
        m_json[byte] = pieceOf(jsonEscaped(text));
        if (boxable(text.front()))
            m_symbols[byte] = pieceOf(text.toUtf8());
    }
}

std::string ManifestLine(const PictureFacts &facts, const PageTruth &truth, const TruthTexts &texts)
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
    std::string json;
    json.reserve(1 << 16);
    appendBytes(json, object.first(at));
    json += "\"lines\":";
    appendLines(json, truth, texts);
    appendBytes(json, object.sliced(at + placeholder.size()));
    json += '\n';
    return json;
}

std::string BoxFileText(const PageTruth &truth, const TruthTexts &texts, int pictureHeight, int page)
{
    // Tesseract's origin is the picture's bottom-left corner.
    const auto putBoxLine = [&](char *at, const QRect &ink) {
        for (const int value : {ink.x(), pictureHeight - (ink.y() + ink.height()), ink.x() + ink.width(),
                                pictureHeight - ink.y(), page}) {
            at = put(at, ' ');
            at = putNumber(at, value);
        }
        return put(at, '\n');
    };
    constexpr std::size_t BoxLineRoom = PieceRoom + 5 * (1 + NumberRoom) + 1;
    std::string text;
    for (const PageTruth::Line &line : truth.Lines()) {
        appendWithin(text, (line.characters.size() + 1) * BoxLineRoom, [&](char *at) {
            int left = INT_MAX;
            int top = INT_MAX;
            int right = INT_MIN;
            int bottom = INT_MIN;
            for (const PageTruth::Character &character : line.characters) {
                const TruthTexts::Piece &symbol = texts.Symbol(character.byte);
                if (character.ink.isNull() || symbol.size == 0)
                    continue;
                at = put(at, symbol);
                at = putBoxLine(at, character.ink);
                left = std::min(left, character.ink.left());
                top = std::min(top, character.ink.top());
                right = std::max(right, character.ink.right());
                bottom = std::max(bottom, character.ink.bottom());
            }
            if (right == INT_MIN)
                return at;
            const QRect written(QPoint(left, top), QPoint(right, bottom));
            // The end of the line: a narrow box just right of it, over its height.
            at = put(at, '\t');
            return putBoxLine(at, QRect(written.x() + written.width() + 1, written.y(), 4, written.height()));
        });
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
