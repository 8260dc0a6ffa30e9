#include "CharacterText.h"

#include <QHash>
#include <QTextBoundaryFinder>
#include <algorithm>

namespace {

bool isControlCode(char16_t unit)
{
    return unit < FirstClusterCode && IsSkippedCode(unit);
}

} // namespace

QString CodePointLabel(char32_t codePoint)
{
    const QString hex = QStringLiteral("%1").arg(static_cast<uint>(codePoint), 4, 16, QLatin1Char('0')).toUpper();
    // A control character or a lone mark is named, not shown.
    const QChar::Category category = QChar::category(codePoint);
    if (category == QChar::Other_Control || category == QChar::Other_Format || category == QChar::Mark_NonSpacing
        || category == QChar::Mark_Enclosing)
        return QStringLiteral("U+") + hex;
    return QStringLiteral("U+%1 \"%2\"").arg(hex, QString::fromUcs4(&codePoint, 1));
}

CharacterText CharacterText::FromBytes(const QByteArray &bytes, const ByteToUnicode &codePage)
{
    CharacterText text;
    text.m_codePage = &codePage;
    text.m_bytes = bytes;
    return text;
}

void CharacterText::append(CharCode code)
{
    if (m_width == 2 && code > 0xFFFF) {
        m_wide.assign(m_units.begin(), m_units.end());
        m_units = {};
        m_width = 4;
    }
    if (m_width == 2)
        m_units.push_back(static_cast<std::uint16_t>(code));
    else if (m_width == 4)
        m_wide.push_back(code);
    else
        m_bytes.append(static_cast<char>(code));
}

std::vector<CharCode> CharacterText::Codes() const
{
    std::vector<CharCode> codes;
    codes.reserve(static_cast<std::size_t>(size()));
    ForEachCode([&codes](CharCode code) { codes.push_back(code); });
    return codes;
}

CharacterText CharacterText::FromUnicode(const QString &unicode)
{
    CharacterText text;
    text.m_width = 2;
    text.m_units.reserve(static_cast<std::size_t>(unicode.size()));
    // Nearly every cluster is one UTF-16 unit: those are looked up in a
    // table, the rest by their text.
    std::vector<CharCode> singleUnit(0x10000, 0);
    QHash<QString, CharCode> longer;
    const auto codeOf = [&](QStringView cluster) {
        if (cluster.size() == 1) {
            CharCode &code = singleUnit[cluster.front().unicode()];
            if (code == 0) {
                code = text.CodeCount();
                text.m_clusters.push_back(cluster.toString());
            }
            return code;
        }
        const QString key = cluster.toString();
        const auto found = longer.constFind(key);
        if (found != longer.cend())
            return *found;
        const CharCode code = text.CodeCount();
        text.m_clusters.push_back(key);
        longer.insert(key, code);
        return code;
    };

    QTextBoundaryFinder clusters(QTextBoundaryFinder::Grapheme, unicode);
    qsizetype start = 0;
    for (qsizetype end = clusters.toNextBoundary(); end > start; end = clusters.toNextBoundary()) {
        const QStringView cluster = QStringView(unicode).sliced(start, end - start);
        start = end;
        // Control codes stand alone (Unicode keeps CR LF as one cluster):
        // each is a code of its own, whatever the boundaries say.
        qsizetype run = 0;
        for (qsizetype i = 0; i < cluster.size(); ++i) {
            const char16_t unit = cluster[i].unicode();
            if (!isControlCode(unit))
                continue;
            if (i > run)
                text.append(codeOf(cluster.sliced(run, i - run)));
            text.append(unit);
            run = i + 1;
        }
        if (run < cluster.size())
            text.append(codeOf(cluster.sliced(run)));
    }
    return text;
}

QString CharacterText::TextOf(CharCode code) const
{
    if (code >= FirstClusterCode)
        return m_clusters[code - FirstClusterCode];
    return QString(QChar(m_codePage ? (*m_codePage)[code] : char16_t(code)));
}

qsizetype CharacterText::LineOf(qsizetype index) const
{
    const qsizetype end = std::min<qsizetype>(index, size());
    return 1 + VisitCodes([end](const auto *codes) { return std::count(codes, codes + end, 13); });
}

CharacterText CharacterText::Without(const std::vector<qsizetype> &positions) const
{
    CharacterText text;
    text.m_codePage = m_codePage;
    text.m_clusters = m_clusters;
    text.m_width = m_width;
    auto left = positions.begin();
    qsizetype index = 0;
    ForEachCode([&](CharCode code) {
        if (left != positions.end() && *left == index++) {
            ++left;
            return;
        }
        text.append(code);
    });
    return text;
}
