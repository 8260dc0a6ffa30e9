// UTF-8 text files as lumo-render --encoding utf-8 reads them: the
// input is the file's bytes. A plain decoder written here, one code point at
// a time after the Unicode standard's table of well-formed byte sequences,
// says whether the bytes are UTF-8 and where the first bad byte is; CheckUtf8
// and DecodeText must say the same, on the same line. The characters of a
// decoded text must be its grapheme clusters (CR LF two control codes), each
// cluster one code from 256 on in the order of first appearance, and Without
// must drop exactly the positions it is given. The same bytes read as UTF-16
// give FromUnicode any code units, lone surrogates among them, and read as a
// code page they try the 8-bit way in.

#include "FuzzSupport.h"

#include "CharacterText.h"
#include "TextEncoding.h"
#include "Utf8Text.h"

#include <QTextBoundaryFinder>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

// One row of the table of well-formed byte sequences: the code points it
// covers, how many bytes they take and the values each byte may have.
struct ByteRange
{
    unsigned char low;
    unsigned char high;
};

struct WellFormed
{
    char32_t first;
    char32_t last;
    int length;
    ByteRange bytes[4];
};

constexpr WellFormed wellFormed[] = {
    {0x0000, 0x007F, 1, {{0x00, 0x7F}}},
    {0x0080, 0x07FF, 2, {{0xC2, 0xDF}, {0x80, 0xBF}}},
    {0x0800, 0x0FFF, 3, {{0xE0, 0xE0}, {0xA0, 0xBF}, {0x80, 0xBF}}},
    {0x1000, 0xCFFF, 3, {{0xE1, 0xEC}, {0x80, 0xBF}, {0x80, 0xBF}}},
    {0xD000, 0xD7FF, 3, {{0xED, 0xED}, {0x80, 0x9F}, {0x80, 0xBF}}},
    {0xE000, 0xFFFF, 3, {{0xEE, 0xEF}, {0x80, 0xBF}, {0x80, 0xBF}}},
    {0x10000, 0x3FFFF, 4, {{0xF0, 0xF0}, {0x90, 0xBF}, {0x80, 0xBF}, {0x80, 0xBF}}},
    {0x40000, 0xFFFFF, 4, {{0xF1, 0xF3}, {0x80, 0xBF}, {0x80, 0xBF}, {0x80, 0xBF}}},
    {0x100000, 0x10FFFF, 4, {{0xF4, 0xF4}, {0x80, 0x8F}, {0x80, 0xBF}, {0x80, 0xBF}}},
};

struct Utf8Reading
{
    // The code points of the well-formed start of the bytes.
    std::u32string codePoints;
    // How many bytes those are.
    qsizetype goodLength = 0;
    // The first byte that is not UTF-8; none when all are.
    std::optional<qsizetype> badOffset;
};

unsigned char byteAt(const QByteArray &bytes, qsizetype index)
{
    return static_cast<unsigned char>(bytes[index]);
}

bool within(unsigned char byte, ByteRange range)
{
    return byte >= range.low && byte <= range.high;
}

// The bad byte is the first that no row allows where it stands. When the
// bytes end inside a sequence there is no such byte: the lead, which
// promised bytes that never came, is the bad one.
Utf8Reading readUtf8(const QByteArray &bytes)
{
    Utf8Reading reading;
    qsizetype at = 0;
    while (at < bytes.size()) {
        const WellFormed *row = nullptr;
        for (const WellFormed &candidate : wellFormed) {
            if (within(byteAt(bytes, at), candidate.bytes[0]))
                row = &candidate;
        }
        if (!row) {
            reading.badOffset = at;
            break;
        }
        for (int k = 1; k < row->length && !reading.badOffset; ++k) {
            if (at + k >= bytes.size())
                reading.badOffset = at;
            else if (!within(byteAt(bytes, at + k), row->bytes[k]))
                reading.badOffset = at + k;
        }
        if (reading.badOffset)
            break;

        constexpr unsigned char leadBits[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
        char32_t value = byteAt(bytes, at) & leadBits[row->length];
        for (int k = 1; k < row->length; ++k)
            value = value << 6 | (byteAt(bytes, at + k) & 0x3F);
        if (value < row->first || value > row->last) {
            // The table itself is wrong, not the engine.
            std::fprintf(stderr, "the fuzz target's UTF-8 table is wrong at %s\n", Escaped(bytes).constData());
            std::abort();
        }
        reading.codePoints += value;
        at += row->length;
    }
    reading.goodLength = at;
    return reading;
}

// CR, LF and CR LF each end one line.
qsizetype lineEndsBefore(const QByteArray &bytes, qsizetype offset)
{
    qsizetype count = 0;
    for (qsizetype i = 0; i < offset; ++i) {
        if (bytes[i] == '\n')
            ++count;
        else if (bytes[i] == '\r' && !(i + 1 < bytes.size() && bytes[i + 1] == '\n'))
            ++count;
    }
    return count;
}

// A text file's characters as the conversions take them: up to the first
// NUL, every CR, LF and CR LF one CR LF, and a last line ended too.
std::u32string textLines(const std::u32string &characters)
{
    std::u32string lines;
    for (std::size_t i = 0; i < characters.size() && characters[i] != 0; ++i) {
        if (characters[i] == U'\r') {
            lines += U"\r\n";
            if (i + 1 < characters.size() && characters[i + 1] == U'\n')
                ++i;
        } else if (characters[i] == U'\n') {
            lines += U"\r\n";
        } else {
            lines += characters[i];
        }
    }
    if (!lines.empty() && lines.back() != U'\n')
        lines += U"\r\n";
    return lines;
}

// Code points as UTF-16, spelt out: QString::fromUcs4, like fromUtf8, takes
// a U+FEFF at the start for a byte-order mark and drops it.
QString utf16(const std::u32string &codePoints)
{
    QString text;
    text.reserve(static_cast<qsizetype>(codePoints.size()));
    for (const char32_t codePoint : codePoints) {
        if (QChar::requiresSurrogates(codePoint)) {
            text += QChar(QChar::highSurrogate(codePoint));
            text += QChar(QChar::lowSurrogate(codePoint));
        } else {
            text += QChar(char16_t(codePoint));
        }
    }
    return text;
}

// The text DecodeText must give: a byte-order mark at the start (the only
// way to write U+FEFF in UTF-8) is no character; a U+FEFF after it is one.
QString decodedText(const std::u32string &codePoints)
{
    const bool marked = !codePoints.empty() && codePoints.front() == 0xFEFF;
    const std::u32string lines = textLines(codePoints.substr(marked ? 1 : 0));
    return utf16(lines);
}

// Code units as U+ numbers: a cluster in a report, lone surrogates and all.
QByteArray units(const QString &text)
{
    QByteArray shown;
    for (const QChar unit : text)
        shown += QByteArray("U+") + QByteArray::number(unit.unicode(), 16).toUpper().rightJustified(4, '0') + ' ';
    return shown.trimmed();
}

QByteArray codeList(const CharacterText &characters)
{
    QByteArray shown;
    for (const CharCode code : characters.Codes())
        shown += QByteArray::number(code) + ' ';
    return shown.trimmed();
}

bool isControlCode(char16_t unit)
{
    return unit == 0 || unit == u'\n' || unit == u'\r' || unit == 0x14;
}

// The characters of a Unicode text, checked cluster by cluster against the
// grapheme boundaries of the text they came from.
void checkCharacters(const char *what, const QByteArray &input, const QString &text, const CharacterText &characters)
{
    // Made only for a failure: escaping costs more than the checking.
    const auto context = [&] {
        return QByteArray(what) + " of " + Escaped(input) + "\ntext: " + units(text)
               + "\ncodes: " + codeList(characters);
    };
    FUZZ_CHECK(!characters.IsEightBit() && !characters.CodePage(), "an 8-bit text: " + context());

    // Every code by itself.
    QString joined;
    for (const CharCode code : characters.Codes()) {
        FUZZ_CHECK(code < characters.CodeCount(), "code " + QByteArray::number(code) + " not below CodeCount "
                                                      + QByteArray::number(characters.CodeCount()) + ": " + context());
        const QString shown = characters.TextOf(code);
        if (code < FirstClusterCode) {
            FUZZ_CHECK(IsSkippedCode(code), "code " + QByteArray::number(code) + " is no control code: " + context());
            FUZZ_CHECK(shown == QString(QChar(char16_t(code))),
                       "control code " + QByteArray::number(code) + " shows as " + units(shown) + ": " + context());
        } else {
            FUZZ_CHECK(!shown.isEmpty(), "empty cluster " + QByteArray::number(code) + ": " + context());
            const auto control = [](QChar unit) { return isControlCode(unit.unicode()); };
            FUZZ_CHECK(std::none_of(shown.cbegin(), shown.cend(), control),
                       "cluster " + QByteArray::number(code) + " holds a control code: " + units(shown) + ": "
                           + context());
        }
        joined += shown;
    }
    FUZZ_CHECK(joined == text, "the characters spell " + units(joined) + ": " + context());

    // The clusters in order. Equal clusters share a code, and a cluster seen
    // first gets the next code, so different clusters never share one.
    std::map<QString, CharCode> codeOfCluster;
    qsizetype index = 0;
    const auto next = [&] {
        FUZZ_CHECK(index < characters.size(), "too few characters: " + context());
        return characters[index++];
    };
    QTextBoundaryFinder boundaries(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    for (qsizetype end = boundaries.toNextBoundary(); end > start; end = boundaries.toNextBoundary()) {
        const QString cluster = text.mid(start, end - start);
        start = end;
        const QByteArray where = "character " + QByteArray::number(index) + ", cluster " + units(cluster) + ": ";
        if (cluster == u"\r\n") {
            FUZZ_CHECK(next() == 13 && next() == 10, where + "CR LF is not 13, 10: " + context());
            continue;
        }
        if (cluster.size() == 1 && isControlCode(cluster.front().unicode())) {
            FUZZ_CHECK(next() == cluster.front().unicode(), where + "not its control code: " + context());
            continue;
        }
        const CharCode code = next();
        FUZZ_CHECK(code >= FirstClusterCode, where + "given code " + QByteArray::number(code) + ": " + context());
        FUZZ_CHECK(characters.TextOf(code) == cluster,
                   where + "its code stands for " + units(characters.TextOf(code)) + ": " + context());
        const auto seen = codeOfCluster.find(cluster);
        const CharCode expected =
            seen != codeOfCluster.end() ? seen->second : FirstClusterCode + CharCode(codeOfCluster.size());
        FUZZ_CHECK(code == expected,
                   where + "code " + QByteArray::number(code) + ", expected " + QByteArray::number(expected) + ": "
                       + context());
        codeOfCluster.emplace(cluster, code);
    }
    FUZZ_CHECK(index == characters.size(), "more characters than clusters: " + context());
}

// In a decoded text every line ends in 13, 10; a character is on the line
// after as many of them as come before it.
void checkLines(const QByteArray &input, const CharacterText &characters)
{
    qsizetype line = 1;
    for (qsizetype index = 0; index < characters.size(); ++index) {
        const CharCode code = characters[index];
        if (code == 10)
            ++line;
        if (code == 10 || code == 13)
            continue;
        FUZZ_CHECK(characters.LineOf(index) == line,
                   "LineOf(" + QByteArray::number(index) + ") is " + QByteArray::number(characters.LineOf(index))
                       + ", expected " + QByteArray::number(line) + " in " + Escaped(input) + "\ncodes: "
                       + codeList(characters));
    }
}

void checkWithoutAt(const QByteArray &input, const CharacterText &characters, const std::vector<qsizetype> &positions)
{
    std::vector<CharCode> expected;
    for (qsizetype index = 0; index < characters.size(); ++index) {
        if (!std::binary_search(positions.begin(), positions.end(), index))
            expected.push_back(characters[index]);
    }
    const CharacterText without = characters.Without(positions);
    QByteArray shownPositions;
    for (const qsizetype position : positions)
        shownPositions += QByteArray::number(position) + ' ';
    const auto context = [&] {
        return "Without(" + shownPositions.trimmed() + ") of " + Escaped(input) + "\ncodes: " + codeList(characters)
               + "\ngave: " + codeList(without);
    };
    FUZZ_CHECK(without.Codes() == expected, "wrong characters left: " + context());
    FUZZ_CHECK(without.CodePage() == characters.CodePage(), "the code page changed: " + context());
    for (const CharCode code : without.Codes()) {
        FUZZ_CHECK(code < without.CodeCount(),
                   "code " + QByteArray::number(code) + " not below CodeCount: " + context());
        FUZZ_CHECK(without.TextOf(code) == characters.TextOf(code),
                   "code " + QByteArray::number(code) + " now stands for " + units(without.TextOf(code)) + ": "
                       + context());
    }
}

// A few positions the input chooses, none, and, for a short text, all.
void checkWithout(const QByteArray &input, const CharacterText &characters)
{
    const qsizetype size = characters.size();
    checkWithoutAt(input, characters, {});
    if (size == 0 || input.isEmpty())
        return;
    std::vector<qsizetype> positions;
    const unsigned char last = byteAt(input, input.size() - 1);
    const int count = 1 + last % 5;
    for (int k = 0; k < count; ++k)
        positions.push_back((qsizetype(byteAt(input, k % input.size())) * 257 + k * 7919) % size);
    if (last & 0x80) {
        positions.push_back(0);
        positions.push_back(size - 1);
    }
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    checkWithoutAt(input, characters, positions);

    if (size <= 64) {
        std::vector<qsizetype> all(static_cast<std::size_t>(size));
        for (qsizetype index = 0; index < size; ++index)
            all[static_cast<std::size_t>(index)] = index;
        checkWithoutAt(input, characters, all);
    }
}

std::optional<InvalidUtf8> checkUtf8Raises(const QByteArray &bytes)
{
    try {
        CheckUtf8(bytes);
    } catch (const InvalidUtf8 &error) {
        return error;
    }
    return std::nullopt;
}

QByteArray placeOf(const InvalidUtf8 &error)
{
    return "line " + QByteArray::number(error.Line()) + ", offset " + QByteArray::number(error.Offset());
}

// CheckUtf8, and DecodeText on bytes that are not UTF-8, against the plain
// decoder: the same verdict, the same bad byte, the same line.
void checkVerdict(const QByteArray &bytes, const Utf8Reading &reading)
{
    const std::optional<InvalidUtf8> raised = checkUtf8Raises(bytes);
    if (!reading.badOffset) {
        FUZZ_CHECK(!raised, "CheckUtf8 refused UTF-8 " + Escaped(bytes) + " at " + placeOf(*raised));
        return;
    }
    const qsizetype offset = *reading.badOffset;
    const qsizetype line = 1 + lineEndsBefore(bytes, offset);
    const QByteArray expected = "line " + QByteArray::number(line) + ", offset " + QByteArray::number(offset);
    FUZZ_CHECK(raised, "CheckUtf8 took " + Escaped(bytes) + ", bad at " + expected);
    FUZZ_CHECK(raised->Offset() == offset && raised->Line() == line,
               "CheckUtf8 of " + Escaped(bytes) + " says " + placeOf(*raised) + ", expected " + expected);

    // The place is in the bytes as given, the mark counted. A bad byte after
    // the NUL that ends the text may be let pass, but then the text is the
    // one before the NUL.
    try {
        const CharacterText characters = DecodeText(bytes, TextEncoding{true, 0});
        const qsizetype nul = bytes.indexOf('\0');
        FUZZ_CHECK(nul >= 0 && nul < offset, "DecodeText took " + Escaped(bytes) + ", bad at " + expected);
        const QByteArray text = bytes.left(nul);
        checkCharacters("DecodeText (bad bytes after the NUL)", bytes, decodedText(readUtf8(text).codePoints),
                        characters);
    } catch (const InvalidUtf8 &error) {
        FUZZ_CHECK(error.Offset() == offset && error.Line() == line,
                   "DecodeText of " + Escaped(bytes) + " says " + placeOf(error) + ", expected " + expected);
    }
}

// Bytes that are UTF-8: their text, its characters, lines and removals.
void checkDecoded(const QByteArray &bytes, const std::u32string &codePoints)
{
    const std::optional<InvalidUtf8> raised = checkUtf8Raises(bytes);
    FUZZ_CHECK(!raised, "CheckUtf8 refused UTF-8 " + Escaped(bytes) + " at " + placeOf(*raised));
    CharacterText characters;
    try {
        characters = DecodeText(bytes, TextEncoding{true, 0});
    } catch (const InvalidUtf8 &error) {
        FuzzFail("DecodeText took the bytes", __FILE__, __LINE__,
                 "DecodeText refused UTF-8 " + Escaped(bytes) + " at " + placeOf(error));
    }
    checkCharacters("DecodeText", bytes, decodedText(codePoints), characters);
    checkLines(bytes, characters);
    checkWithout(bytes, characters);

    // As the text is before any file rules: NUL, lone CR and lone LF stay.
    const QString raw = utf16(codePoints);
    checkCharacters("FromUnicode", bytes, raw, CharacterText::FromUnicode(raw));
}

// Any UTF-16 code units, pairs or not.
void checkUtf16(const QByteArray &bytes)
{
    QString text;
    if (bytes.size() >= 2) {
        text.resize(bytes.size() / 2);
        std::memcpy(text.data(), bytes.constData(), static_cast<std::size_t>(text.size()) * 2);
    }
    const CharacterText characters = CharacterText::FromUnicode(text);
    checkCharacters("FromUnicode of UTF-16", bytes, text, characters);
    checkWithout(bytes, characters);
}

// The 8-bit way in: a code a byte of the file's lines, ASCII as itself in
// every Windows code page.
void checkEightBit(const QByteArray &bytes)
{
    constexpr int codePages[] = {874, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258};
    const int codePage = codePages[(bytes.isEmpty() ? 0 : byteAt(bytes, 0)) % std::size(codePages)];
    std::u32string asBytes;
    for (const char byte : bytes)
        asBytes += char32_t(static_cast<unsigned char>(byte));
    const std::u32string lines = textLines(asBytes);
    const CharacterText characters = DecodeText(bytes, TextEncoding{false, codePage});
    const auto context = [&] {
        return "DecodeText as cp" + QByteArray::number(codePage) + " of " + Escaped(bytes) + "\ncodes: "
               + codeList(characters);
    };
    FUZZ_CHECK(characters.IsEightBit(), "not an 8-bit text: " + context());
    FUZZ_CHECK(characters.size() == qsizetype(lines.size())
                   && std::equal(lines.begin(), lines.end(), characters.Codes().begin()),
               "not the bytes of the lines: " + context());
    for (const CharCode code : characters.Codes()) {
        FUZZ_CHECK(code < characters.CodeCount() && code < FirstClusterCode,
                   "code " + QByteArray::number(code) + ": " + context());
        const QString shown = characters.TextOf(code);
        FUZZ_CHECK(shown.size() == 1,
                   "code " + QByteArray::number(code) + " stands for " + units(shown) + ": " + context());
        if (code < 0x80)
            FUZZ_CHECK(shown.front() == QChar(char16_t(code)),
                       "ASCII " + QByteArray::number(code) + " stands for " + units(shown) + ": " + context());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));

    FUZZ_CHECK(Utf8MarkLength(bytes) == (bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0),
               "Utf8MarkLength of " + Escaped(bytes) + " is " + QByteArray::number(Utf8MarkLength(bytes)));

    const Utf8Reading reading = readUtf8(bytes);
    checkVerdict(bytes, reading);
    // Bytes that are not UTF-8 still have a well-formed start, which is.
    checkDecoded(bytes.left(reading.goodLength), reading.codePoints);

    checkUtf16(bytes);
    checkEightBit(bytes);
    return 0;
}
