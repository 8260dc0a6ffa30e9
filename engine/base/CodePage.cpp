#include "CodePage.h"

#include <QHash>
#include <algorithm>
#include <iconv.h>
#include <map>
#include <mutex>

namespace {

constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

ByteToUnicode makeCp1252()
{
    ByteToUnicode table{};
    for (int b = 0; b < 256; ++b)
        table[b] = (b >= 0x80 && b < 0xA0) ? kCp1252High[b - 0x80] : char16_t(b);
    return table;
}

// Each byte decoded on its own: lead bytes of the East Asian code pages and
// the holes of the others fall back to Windows-1252.
ByteToUnicode makeIconvTable(int codePage)
{
    ByteToUnicode table = Cp1252Table();
    // iconv knows Mac Roman by its name only.
    const QByteArray name = codePage == 10000 ? QByteArray("MACINTOSH") : "CP" + QByteArray::number(codePage);
    iconv_t cd = iconv_open("UTF-16LE", name.constData());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return table;
    for (int b = 0; b < 256; ++b) {
        char in = static_cast<char>(b);
        char16_t out[4] = {};
        char *inPtr = &in;
        size_t inLeft = 1;
        char *outPtr = reinterpret_cast<char *>(out);
        size_t outLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        const size_t done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        // Code pages with combining marks (1255, 1258) hold a letter back in
        // case a mark follows; flushing gives it out.
        const size_t flushed = iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
        if (done != static_cast<size_t>(-1) && flushed != static_cast<size_t>(-1) && inLeft == 0
            && outLeft == sizeof out - 2)
            table[b] = out[0];
    }
    iconv_close(cd);
    return table;
}

// The Windows code page of a font charset number (1252 for 0 and 1 and for
// numbers without one of their own).
int charsetCodePage(std::uint8_t charset)
{
    switch (charset) {
    case 77: return 10000;  // Mac Roman
    case 128: return 932;   // Shift-JIS
    case 129: return 949;   // Hangul
    case 130: return 1361;  // Johab
    case 134: return 936;   // GB2312
    case 136: return 950;   // Big5
    case 161: return 1253;  // Greek
    case 162: return 1254;  // Turkish
    case 163: return 1258;  // Vietnamese
    case 177: return 1255;  // Hebrew
    case 178: return 1256;  // Arabic
    case 186: return 1257;  // Baltic
    case 204: return 1251;  // Cyrillic
    case 222: return 874;   // Thai
    case 238: return 1250;  // Central European
    case 255: return 437;   // OEM
    default: return 1252;
    }
}

// The byte of every character Windows-1252 has; ToCp1252 and FitsCp1252
// both read it, so what fits is exactly what is written unchanged.
const QHash<char16_t, char> &cp1252Bytes()
{
    static const QHash<char16_t, char> reverse = [] {
        QHash<char16_t, char> map;
        const ByteToUnicode &table = Cp1252Table();
        for (int b = 0; b < 256; ++b)
            map.insert(table[b], static_cast<char>(b));
        return map;
    }();
    return reverse;
}

} // namespace

const ByteToUnicode &Cp1252Table()
{
    static const ByteToUnicode table = makeCp1252();
    return table;
}

const ByteToUnicode &CharsetTable(std::uint8_t charset)
{
    return CodePageTable(charsetCodePage(charset));
}

const ByteToUnicode &CodePageTable(int codePage)
{
    if (codePage == 1252)
        return Cp1252Table();
    static std::mutex lock;
    static std::map<int, ByteToUnicode> tables;
    std::lock_guard guard(lock);
    auto it = tables.find(codePage);
    if (it == tables.end())
        it = tables.emplace(codePage, makeIconvTable(codePage)).first;
    return it->second;
}

QString FromCp1252(const QByteArray &bytes)
{
    const ByteToUnicode &table = Cp1252Table();
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = QChar(table[static_cast<unsigned char>(bytes[i])]);
    return text;
}

QByteArray ToCp1252(const QString &text)
{
    const QHash<char16_t, char> &reverse = cp1252Bytes();
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (u < 0x80)
            bytes[i] = static_cast<char>(u);
        else
            bytes[i] = reverse.value(u, '?');
    }
    return bytes;
}

bool FitsCp1252(const QString &text)
{
    const QHash<char16_t, char> &reverse = cp1252Bytes();
    return std::all_of(text.cbegin(), text.cend(), [&](QChar c) { return reverse.contains(c.unicode()); });
}

QByteArray UpperCp1252(const QByteArray &bytes)
{
    QByteArray upper = bytes;
    for (char &c : upper) {
        const auto b = static_cast<unsigned char>(c);
        unsigned char u = b;
        if (b >= 'a' && b <= 'z')
            u = b - 32;
        else if (b >= 0xE0 && b <= 0xFE && b != 0xF7)
            u = b - 32;
        else if (b == 0x9A || b == 0x9C || b == 0x9E)
            u = b - 16;
        else if (b == 0xFF)
            u = 0x9F;
        c = static_cast<char>(u);
    }
    return upper;
}
