#include "RefusedScripts.h"

#include <QChar>
#include <QList>
#include <utility>
#include <vector>

namespace {

// Scripts whose letters change shape with their neighbours or are built
// into conjuncts and reordered; right-to-left scripts are found by their
// direction.
constexpr std::pair<QChar::Script, const char *> joiningScripts[] = {
    {QChar::Script_Mongolian, "Mongolian"},   {QChar::Script_Devanagari, "Devanagari"},
    {QChar::Script_Bengali, "Bengali"},       {QChar::Script_Gurmukhi, "Gurmukhi"},
    {QChar::Script_Gujarati, "Gujarati"},     {QChar::Script_Oriya, "Oriya"},
    {QChar::Script_Tamil, "Tamil"},           {QChar::Script_Telugu, "Telugu"},
    {QChar::Script_Kannada, "Kannada"},       {QChar::Script_Malayalam, "Malayalam"},
    {QChar::Script_Sinhala, "Sinhala"},       {QChar::Script_Tibetan, "Tibetan"},
    {QChar::Script_Myanmar, "Myanmar"},       {QChar::Script_Khmer, "Khmer"},
    {QChar::Script_Balinese, "Balinese"},     {QChar::Script_Javanese, "Javanese"},
    {QChar::Script_Sundanese, "Sundanese"},   {QChar::Script_TaiTham, "Tai Tham"},
    {QChar::Script_Newa, "Newa"},             {QChar::Script_Grantha, "Grantha"},
    {QChar::Script_Sharada, "Sharada"},       {QChar::Script_Tirhuta, "Tirhuta"},
    {QChar::Script_Takri, "Takri"},           {QChar::Script_Siddham, "Siddham"},
    {QChar::Script_Khojki, "Khojki"},         {QChar::Script_Kaithi, "Kaithi"},
    {QChar::Script_Brahmi, "Brahmi"},         {QChar::Script_Chakma, "Chakma"},
    {QChar::Script_Limbu, "Limbu"},           {QChar::Script_Lepcha, "Lepcha"},
    {QChar::Script_MeeteiMayek, "Meetei Mayek"}, {QChar::Script_Saurashtra, "Saurashtra"},
    {QChar::Script_Batak, "Batak"},           {QChar::Script_Buginese, "Buginese"},
    {QChar::Script_Cham, "Cham"},             {QChar::Script_TaiViet, "Tai Viet"},
    {QChar::Script_Rejang, "Rejang"},         {QChar::Script_SylotiNagri, "Syloti Nagri"},
    {QChar::Script_Tagalog, "Tagalog"},       {QChar::Script_Ahom, "Ahom"},
    {QChar::Script_Modi, "Modi"},             {QChar::Script_Mahajani, "Mahajani"},
    {QChar::Script_Khudawadi, "Khudawadi"},   {QChar::Script_Dogra, "Dogra"},
    {QChar::Script_Bhaiksuki, "Bhaiksuki"},   {QChar::Script_Marchen, "Marchen"},
    {QChar::Script_Soyombo, "Soyombo"},       {QChar::Script_ZanabazarSquare, "Zanabazar Square"},
    {QChar::Script_PhagsPa, "Phags-pa"},      {QChar::Script_Kharoshthi, "Kharoshthi"},
};

// The right-to-left scripts that are named; others are called by their direction.
constexpr std::pair<QChar::Script, const char *> rightToLeftScripts[] = {
    {QChar::Script_Hebrew, "Hebrew"}, {QChar::Script_Arabic, "Arabic"}, {QChar::Script_Syriac, "Syriac"},
    {QChar::Script_Thaana, "Thaana"}, {QChar::Script_Nko, "N'Ko"},       {QChar::Script_Samaritan, "Samaritan"},
    {QChar::Script_Mandaic, "Mandaic"}, {QChar::Script_Adlam, "Adlam"},
};

QString nameIn(const auto &table, QChar::Script script)
{
    for (const auto &[known, name] : table) {
        if (known == script)
            return QString::fromLatin1(name);
    }
    return {};
}

QString describe(const QString &script, char32_t codePoint, qsizetype line)
{
    return QStringLiteral("the text holds %1, whose letters join or reorder and cannot be drawn one by one: "
                          "%2 on line %3")
        .arg(script, CodePointLabel(codePoint))
        .arg(line);
}

} // namespace

QString RefusedScriptOf(char32_t codePoint)
{
    const QChar::Script script = QChar::script(codePoint);
    QString name = nameIn(joiningScripts, script);
    if (!name.isEmpty())
        return name;
    const QChar::Direction direction = QChar::direction(codePoint);
    if (direction != QChar::DirR && direction != QChar::DirAL)
        return {};
    name = nameIn(rightToLeftScripts, script);
    return name.isEmpty() ? QStringLiteral("right-to-left text") : name;
}

RefusedScript::RefusedScript(const QString &script, char32_t codePoint, qsizetype line)
    : LumoError(describe(script, codePoint, line)), m_script(script)
{
}

void CheckScripts(const CharacterText &text)
{
    if (text.IsEightBit())
        return;
    // Each cluster is looked at once; the text is then searched for the
    // first that is refused.
    struct Refusal
    {
        QString script;
        char32_t codePoint = 0;
    };
    std::vector<Refusal> refusals(text.CodeCount());
    bool any = false;
    for (CharCode code = FirstClusterCode; code < text.CodeCount(); ++code) {
        for (const char32_t point : text.TextOf(code).toUcs4()) {
            const QString script = RefusedScriptOf(point);
            if (!script.isEmpty()) {
                refusals[code] = {script, point};
                any = true;
                break;
            }
        }
    }
    if (!any)
        return;
    for (qsizetype index = 0; index < text.size(); ++index) {
        const Refusal &refusal = refusals[text[index]];
        if (!refusal.script.isEmpty())
            throw RefusedScript(refusal.script, refusal.codePoint, text.LineOf(index));
    }
}
