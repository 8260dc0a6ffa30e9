#include "SetupStore.h"

#include "CodePage.h"
#include "FontObject.h"
#include "IntegerText.h"

#include <algorithm>

namespace {

const QByteArray KeyBGColor = QByteArrayLiteral("BGColor");
const QByteArray KeyFTName = QByteArrayLiteral("FTName");
const QByteArray KeyFTSize = QByteArrayLiteral("FTSize");
const QByteArray KeyFTColor = QByteArrayLiteral("FTColor");
const QByteArray KeyFTPitch = QByteArrayLiteral("FTPitch");
const QByteArray KeyFTStyle = QByteArrayLiteral("FTStyle");
const QByteArray KeyFTCSet = QByteArrayLiteral("FTCSet");
const QByteArray KeyHoVar = QByteArrayLiteral("HoVar");
const QByteArray KeyVeVar = QByteArrayLiteral("VeVar");
const QByteArray KeyRausch = QByteArrayLiteral("Rausch");

// What a setup that lacks a key gets: white background, "Arial" 8 pt black,
// default pitch, no style, charset 0, no jitter, no noise.
const QByteArray DefaultBGColor = QByteArrayLiteral("00FFFFFF");
const QByteArray DefaultFTName = QByteArrayLiteral("Arial");
constexpr std::int32_t DefaultFTSize = 8;
const QByteArray DefaultFTColor = QByteArrayLiteral("00000000");
const QByteArray DefaultFTPitch = QByteArrayLiteral("0");
const QByteArray DefaultFTStyle;
const QByteArray DefaultFTCSet = QByteArrayLiteral("0");
constexpr std::int32_t DefaultVariation = 0;

struct StyleLetter
{
    FontObject::StyleFlag flag;
    char letter;
};
constexpr StyleLetter StyleLetters[] = {
    {FontObject::fsBold, 'B'},
    {FontObject::fsItalic, 'I'},
    {FontObject::fsUnderline, 'U'},
    {FontObject::fsStrikeOut, 'S'},
};

QByteArray colourText(Colour colour)
{
    return QByteArray::number(static_cast<quint32>(colour), 16).toUpper().rightJustified(8, '0');
}

// Colours are stored as bare hexadecimal digits.
Colour colourFromText(const QByteArray &text)
{
    return StrToInt('$' + text);
}

QByteArray styleText(std::uint8_t style)
{
    QByteArray text;
    for (const StyleLetter &entry : StyleLetters) {
        if (style & entry.flag)
            text.append(entry.letter);
    }
    return text;
}

std::uint8_t styleFromText(const QByteArray &text)
{
    std::uint8_t style = 0;
    for (const StyleLetter &entry : StyleLetters) {
        if (text.contains(entry.letter))
            style |= entry.flag;
    }
    return style;
}

std::uint8_t lowByte(std::int32_t value)
{
    return static_cast<std::uint8_t>(value & 0xFF);
}

} // namespace

QByteArray StoredFontName(const QByteArray &name)
{
    // Longer names in a hand-edited file are cut rather than refused.
    // Reading trims every value of blanks and control characters, so a cut
    // that ends in them (or a name that starts with them) is trimmed too:
    // what is written is what is read back.
    // A name ends at a NUL byte, as every text of the program does.
    const qsizetype nul = name.indexOf('\0');
    return TrimmedSettingsText(name.left(nul < 0 ? MaxFontNameLength : std::min<qsizetype>(nul, MaxFontNameLength)))
        .toByteArray();
}

QList<std::pair<QByteArray, QByteArray>> SetupValues(const RenderValues &values)
{
    const FontObject &font = values.font;
    return {
        {KeyBGColor, colourText(values.background)},
        {KeyFTName, StoredFontName(ToCp1252(font.Name()))},
        {KeyFTSize, QByteArray::number(font.Size())},
        {KeyFTColor, colourText(font.Color())},
        {KeyFTPitch, QByteArray::number(font.Pitch())},
        {KeyFTStyle, styleText(font.Style())},
        {KeyFTCSet, QByteArray::number(font.Charset())},
        {KeyHoVar, QByteArray::number(values.hoVar)},
        {KeyVeVar, QByteArray::number(values.veVar)},
        {KeyRausch, QByteArray::number(values.rausch)},
    };
}

void WriteSetup(const QByteArray &name, const RenderValues &values, const QString &path)
{
    SettingsFile file(path);
    for (const auto &[key, value] : SetupValues(values))
        file.WriteString(name, key, value);
    file.UpdateFile();
}

void ReadSetup(const QByteArray &name, RenderValues &values, const QString &path)
{
    const SettingsFile file(path);
    FontObject &font = values.font;
    // Each value is assigned as soon as it is read: a value that is not an
    // integer stops the reading there and leaves the earlier ones in place.
    values.background = colourFromText(file.ReadString(name, KeyBGColor, DefaultBGColor));
    const QByteArray fontName = file.ReadString(name, KeyFTName, DefaultFTName);
    if (!fontName.isEmpty())
        font.SetName(FromCp1252(StoredFontName(fontName)));
    font.SetSize(file.ReadInteger(name, KeyFTSize, DefaultFTSize));
    font.SetColor(colourFromText(file.ReadString(name, KeyFTColor, DefaultFTColor)));
    font.SetPitch(lowByte(StrToInt(file.ReadString(name, KeyFTPitch, DefaultFTPitch))));
    font.SetStyle(styleFromText(file.ReadString(name, KeyFTStyle, DefaultFTStyle)));
    font.SetCharset(lowByte(StrToInt(file.ReadString(name, KeyFTCSet, DefaultFTCSet))));
    values.hoVar = file.ReadInteger(name, KeyHoVar, DefaultVariation);
    values.veVar = file.ReadInteger(name, KeyVeVar, DefaultVariation);
    values.rausch = file.ReadInteger(name, KeyRausch, DefaultVariation);
}

QList<QByteArray> ListSetups(const QString &path)
{
    return SettingsFile(path).Sections();
}

void EraseSetup(const QByteArray &name, const QString &path)
{
    SettingsFile file(path);
    file.EraseSection(name);
    file.UpdateFile();
}

std::int32_t ReadPosition(const PositionKey &key, const QString &path)
{
    return SettingsFile(path).ReadInteger(PositionSection, key.name, key.defaultValue);
}

void WritePositions(const QList<std::pair<PositionKey, std::int32_t>> &values, const QString &path)
{
    SettingsFile file(path);
    for (const auto &[key, value] : values)
        file.WriteInteger(PositionSection, key.name, value);
    file.UpdateFile();
}
