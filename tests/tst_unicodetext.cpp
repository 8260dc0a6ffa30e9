// Unicode text drawn a grapheme cluster at a time, against a model of its
// own: every cluster drawn alone with QPainter at the place the layout rules
// give it; a pixel belongs to the last character whose glyph changed it,
// unless a later character's opaque cell covers it. Also the decoding of
// UTF-8 text and the scripts that are refused.

#include "CharacterText.h"
#include "ImageCompare.h"
#include "LumoRandom.h"
#include "PageDrawing.h"
#include "PageLayout.h"
#include "PageTruth.h"
#include "RefusedScripts.h"
#include "RenderJob.h"
#include "TextEncoding.h"
#include "Utf8Text.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QTextBoundaryFinder>
#include <QtTest>

namespace {

struct ModelCharacter
{
    QString text;
    QPoint at;
    QRect cell;
    QRect ink;
    bool endsLine = false;
};

struct ModelPage
{
    QImage picture;
    std::vector<ModelCharacter> characters;
};

RenderValues valuesFor(const QString &family, int points, int jitter)
{
    RenderValues values;
    values.font.SetName(family);
    values.font.SetSize(points);
    values.font.SetColor(clBlack);
    values.background = clWhite;
    values.hoVar = jitter;
    values.veVar = jitter;
    values.rausch = 0;
    return values;
}

// One page of the text, drawn and owned the plain way; the text must fit.
ModelPage modelPage(const QString &text, const RenderValues &values, int width, int height, std::uint32_t seed)
{
    const QFont font = values.font.ToQFont();
    const QFontMetrics metrics(font);
    const int h = std::abs(values.font.Height());
    const int half = h / 2;
    const int lineStep = 4 * h / 3;
    const QColor background = ColourToQColor(values.background);
    const QColor foreground = ColourToQColor(values.font.Color());
    const int cellHeight = metrics.ascent() + metrics.descent();

    ModelPage page;
    page.picture = QImage(width, height, QImage::Format_RGB32);
    page.picture.fill(background);
    std::vector<int> owner(static_cast<std::size_t>(width) * height, -1);
    QImage alone(width, height, QImage::Format_RGB32);
    const auto ownerAt = [&](int x, int y) -> int & { return owner[static_cast<std::size_t>(y) * width + x]; };

    RandSeed = seed;
    int x = half;
    int y = half;
    QTextBoundaryFinder clusters(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    for (qsizetype end = clusters.toNextBoundary(); end > start; end = clusters.toNextBoundary()) {
        const QString cluster = text.mid(start, end - start);
        start = end;
        // A CR ends a line; the other control codes are passed over.
        if (cluster.front() == u'\r' || cluster.front() == u'\n') {
            if (cluster.contains(u'\r')) {
                x = half;
                y += lineStep;
                if (!page.characters.empty())
                    page.characters.back().endsLine = true;
            }
            continue;
        }
        const int jy = y + Random(2 * values.veVar) - values.veVar;
        const int jx = x + Random(2 * values.hoVar) - values.hoVar;
        if (height - lineStep < y)
            qFatal("the model's text does not fit its page");
        const int advance = metrics.horizontalAdvance(cluster);
        const QRect cell = QRect(jx, jy, advance, cellHeight).intersected(page.picture.rect());
        page.characters.push_back({cluster, QPoint(jx, jy), cell, QRect(), false});

        alone.fill(background);
        for (QImage *target : {&alone, &page.picture}) {
            QPainter painter(target);
            painter.fillRect(QRect(jx, jy, advance, cellHeight), background);
            painter.setFont(font);
            painter.setPen(foreground);
            painter.drawText(jx, jy + metrics.ascent(), cluster);
        }
        const int index = static_cast<int>(page.characters.size() - 1);
        for (int py = 0; py < height; ++py) {
            const auto *row = reinterpret_cast<const QRgb *>(alone.constScanLine(py));
            for (int px = 0; px < width; ++px) {
                if (cell.contains(px, py))
                    ownerAt(px, py) = -1;
                if (row[px] != background.rgb())
                    ownerAt(px, py) = index;
            }
        }
        x += advance;
        if (width - h < x) {
            x = half;
            y += lineStep;
            page.characters.back().endsLine = true;
        }
    }
    // Noise level 0 still sets one pixel of each colour.
    for (const QColor colour : {background, foreground}) {
        const int py = Random(height);
        const int px = Random(width);
        page.picture.setPixel(px, py, colour.rgb());
    }
    for (int py = 0; py < height; ++py)
        for (int px = 0; px < width; ++px)
            if (const int o = ownerAt(px, py); o >= 0)
                page.characters[static_cast<std::size_t>(o)].ink |= QRect(px, py, 1, 1);
    return page;
}

QString codePoints(const QString &text)
{
    QStringList points;
    for (const uint point : text.toUcs4())
        points.append(QStringLiteral("U+%1").arg(point, 4, 16, QLatin1Char('0')));
    return points.join(u' ');
}

} // namespace

class TestUnicodeText : public QObject
{
    Q_OBJECT

private slots:
    void clustersAreDrawnExactly_data();
    void clustersAreDrawnExactly();
    void utf8IsReadStrictly_data();
    void utf8IsReadStrictly();
    void clustersKeepTheirMarks();
    void tooManyDifferentCharactersAreRefused();
    void codesWidenPastSixteenBits();
    void joiningScriptsAreRefused_data();
    void joiningScriptsAreRefused();
};

void TestUnicodeText::clustersAreDrawnExactly_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("jitter");

    const QString greek = QStringLiteral("Καλημέρα κόσμε, ἀρχὴ ἥμισυ παντός\r\nΞεσκεπάζω τὴν ψυχοφθόρα βδελυγμία\r\n");
    const QString cyrillic = QStringLiteral("Съешь же ещё этих мягких\r\nфранцузских булок, да выпей чаю\r\n");
    // Decomposed: each letter with one or two combining marks is one character.
    const QString vietnamese = QStringLiteral("Vie\u0323\u0302t Nam co\u0301 nhie\u0302\u0300u\r\n"
                                              "ngu\u031bo\u031b\u0300i Tie\u0302\u0301ng Vie\u0323\u0302t\r\n");
    const QString thai = QStringLiteral("ภาษาไทย ที่นี่ น้ำ ผู้ใหญ่\r\nกรุงเทพมหานคร\r\n");
    const QString chinese = QStringLiteral("中文字体测试，你好世界。\r\n汉字一个一个地画出来\r\n");
    const QString kana = QStringLiteral("ひらがなとカタカナ、ゃゅょッ\r\nテキストのえ\r\n");
    const QString korean = QStringLiteral("한국어 글자를 하나씩 그립니다\r\n안녕하세요\r\n");
    for (const int jitter : {0, 3}) {
        const QString suffix = QStringLiteral(", jitter %1").arg(jitter);
        QTest::newRow(qPrintable(QStringLiteral("Greek") + suffix)) << "Noto Sans" << greek << jitter;
        QTest::newRow(qPrintable(QStringLiteral("Cyrillic") + suffix)) << "Noto Sans" << cyrillic << jitter;
        QTest::newRow(qPrintable(QStringLiteral("Vietnamese, combining marks") + suffix)) << "Noto Sans" << vietnamese << jitter;
        QTest::newRow(qPrintable(QStringLiteral("Thai") + suffix)) << "Noto Sans Thai" << thai << jitter;
        QTest::newRow(qPrintable(QStringLiteral("Chinese") + suffix)) << "WenQuanYi Micro Hei" << chinese << jitter;
        QTest::newRow(qPrintable(QStringLiteral("Japanese kana") + suffix)) << "WenQuanYi Micro Hei" << kana << jitter;
        QTest::newRow(qPrintable(QStringLiteral("Korean") + suffix)) << "WenQuanYi Micro Hei" << korean << jitter;
    }
}

void TestUnicodeText::clustersAreDrawnExactly()
{
    QFETCH(QString, family);
    QFETCH(QString, text);
    QFETCH(int, jitter);
    if (!QFontDatabase::families().contains(family))
        QSKIP(qPrintable(QStringLiteral("the font \"%1\" is not installed").arg(family)));

    constexpr int width = 640;
    constexpr int height = 200;
    constexpr std::uint32_t seed = 41;
    const RenderValues values = valuesFor(family, 12, jitter);
    const CharacterText characters = CharacterText::FromUnicode(text);
    const RenderJob job = RenderJob::From(characters, values, {0, 0, width, height}, false, seed);
    const std::vector<PagePlan> pages = PlanPages(characters, job);
    QCOMPARE(pages.size(), std::size_t(1));
    PixelBuffer buffer;
    PageTruth truth;
    DrawPage(characters, job, pages.front(), 0, buffer, &truth);

    const ModelPage model = modelPage(text, values, width, height, seed);
    QCOMPARE(ImageDifference(buffer.InUse(), model.picture), QString());

    std::size_t next = 0;
    for (std::size_t l = 0; l < truth.Lines().size(); ++l) {
        for (const PageTruth::Character &got : truth.Lines()[l].characters) {
            QVERIFY2(next < model.characters.size(), "more characters than the model draws");
            const ModelCharacter &want = model.characters[next++];
            const QString where = QStringLiteral("line %1, character %2 (%3)").arg(l).arg(next - 1).arg(codePoints(want.text));
            QCOMPARE(characters.TextOf(got.code), want.text);
            QVERIFY2(got.cell == want.cell, qPrintable(where + QStringLiteral(": cell %1, expected %2")
                                                           .arg(DescribeBox(got.cell), DescribeBox(want.cell))));
            QVERIFY2(got.ink == want.ink, qPrintable(where + QStringLiteral(": ink %1, expected %2")
                                                         .arg(DescribeBox(got.ink), DescribeBox(want.ink))));
        }
        QVERIFY(model.characters[next - 1].endsLine);
    }
    QCOMPARE(next, model.characters.size());
}

void TestUnicodeText::utf8IsReadStrictly_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("offset");

    QTest::newRow("a stray continuation byte") << QByteArray("ab\r\ncd\x80") << 2 << 6;
    QTest::newRow("an overlong slash") << QByteArray("x\xC0\xAF") << 1 << 1;
    QTest::newRow("overlong three bytes") << QByteArray("\xE0\x80\x80") << 1 << 1;
    QTest::newRow("a surrogate") << QByteArray("ok\n\n\xED\xA0\x80") << 3 << 5;
    QTest::newRow("past U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << 1 << 1;
    QTest::newRow("cut short at the end") << QByteArray("\xCE\xB1\xCE") << 1 << 2;
    QTest::newRow("cut short by ASCII") << QByteArray("\xE4\xB8z") << 1 << 2;
    QTest::newRow("Latin-1 text") << QByteArray("caf\xE9\r\n") << 1 << 4;
    QTest::newRow("CR LF counts once, CR alone too") << QByteArray("a\r\nb\rc\n\xFF") << 4 << 7;
}

void TestUnicodeText::utf8IsReadStrictly()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, line);
    QFETCH(int, offset);
    try {
        DecodeText(bytes, {true, 0});
        QFAIL("bytes that are not UTF-8 were taken");
    } catch (const InvalidUtf8 &error) {
        QCOMPARE(error.Line(), line);
        QCOMPARE(error.Offset(), offset);
        QVERIFY2(error.message().startsWith(QStringLiteral("not valid UTF-8 at line %1, byte offset %2 (byte 0x").arg(line).arg(offset)),
                 qPrintable(error.message()));
    }
}

void TestUnicodeText::clustersKeepTheirMarks()
{
    // A byte-order mark is no character; line ends become CR LF; a letter
    // keeps its marks; the same cluster has the same code wherever it is.
    const CharacterText text = DecodeText(QByteArray("\xEF\xBB\xBF" "e\xCC\x81 \xE4\xB8\xAD\ne\xCC\x81\x14"), {true, 0});
    QCOMPARE(text.size(), 9);
    QCOMPARE(text.TextOf(text[0]), QStringLiteral("e\u0301"));
    QCOMPARE(text.TextOf(text[1]), QStringLiteral(" "));
    QCOMPARE(text.TextOf(text[2]), QStringLiteral("\u4E2D"));
    QCOMPARE(text[3], CharCode(13));
    QCOMPARE(text[4], CharCode(10));
    QCOMPARE(text[5], text[0]);
    QCOMPARE(text[6], CharCode(20));
    QCOMPARE(text[7], CharCode(13));
    QCOMPARE(text[8], CharCode(10));
    QCOMPARE(text.LineOf(5), 2);
    QCOMPARE(text.CodeCount(), FirstClusterCode + 3);

    // A second mark is a character of the text.
    const CharacterText marks = DecodeText(QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF" "A"), {true, 0});
    QCOMPARE(marks.size(), 4);
    QCOMPARE(marks.TextOf(marks[0]), QString(QChar(0xFEFF)));

    // An 8-bit text keeps its bytes as codes, in the code page asked for.
    const CharacterText cyrillic = DecodeText(QByteArray("\xC0\xE1"), {false, 1251});
    QCOMPARE(cyrillic[0], CharCode(0xC0));
    QCOMPARE(cyrillic.TextOf(cyrillic[1]), QStringLiteral("\u0431"));
}

void TestUnicodeText::tooManyDifferentCharactersAreRefused()
{
    // Every letter with its own stack of marks is a character of its own,
    // each with a glyph cell: a text made of such stacks is refused once
    // its cells pass the budget, before anything is drawn.
    QString text;
    for (int i = 0; i < 400; ++i)
        text += u'a' + QString(QChar(0x300 + i % 112)) + QString(QChar(0x300 + (i / 112) % 112)) + u' ';
    const CharacterText characters = CharacterText::FromUnicode(text);
    QVERIFY(characters.CodeCount() > FirstClusterCode + 300);
    const RenderValues values = valuesFor(QStringLiteral("Arial"), 12, 0);
    try {
        RenderJob::From(characters, values, {0, 0, 300, 300}, false, 1, 64 * 1024);
        QFAIL("the cells passed their budget unnoticed");
    } catch (const GlyphCellsTooLarge &error) {
        QVERIFY2(error.message().contains(QStringLiteral("different characters take more than 0 MiB")),
                 qPrintable(error.message()));
    }
    // The same text fits the budget of a run.
    QCOMPARE(RenderJob::From(characters, values, {0, 0, 300, 300}, false, 1).cells.size(), characters.CodeCount());
}

void TestUnicodeText::codesWidenPastSixteenBits()
{
    // More different characters than 16 bits can number (ideographs of the
    // supplementary planes, each a character): the codes held so far widen,
    // and every code keeps its value and place.
    QString text;
    std::vector<CharCode> expected;
    const auto ideograph = [](CharCode i) {
        const char32_t point = 0x20000 + i;
        return QString::fromUcs4(&point, 1);
    };
    for (CharCode i = 0; i < 70000; ++i) {
        if (i == 65000) {
            text += u'\r';
            expected.push_back(13);
        }
        text += ideograph(i);
        expected.push_back(FirstClusterCode + i);
    }
    const CharacterText characters = CharacterText::FromUnicode(text);
    QCOMPARE(characters.size(), qsizetype(expected.size()));
    QVERIFY(characters.Codes() == expected);
    QCOMPARE(characters[characters.size() - 1], FirstClusterCode + 69999);
    QCOMPARE(characters.LineOf(characters.size() - 1), 2);
    QCOMPARE(characters.TextOf(characters[characters.size() - 1]), ideograph(69999));

    // Leaving characters out keeps the others' codes.
    const CharacterText fewer = characters.Without({0, 65000});
    expected.erase(expected.begin() + 65000);
    expected.erase(expected.begin());
    QVERIFY(fewer.Codes() == expected);
    QCOMPARE(fewer.LineOf(fewer.size() - 1), 1);
}

void TestUnicodeText::joiningScriptsAreRefused_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");

    QTest::newRow("Arabic") << QStringLiteral("abc\r\nمرحبا\r\n")
                            << QStringLiteral("the text holds Arabic, whose letters join or reorder and cannot be drawn "
                                              "one by one: U+0645 \"\u0645\" on line 2");
    QTest::newRow("Hebrew") << QStringLiteral("שלום")
                            << QStringLiteral("the text holds Hebrew, whose letters join or reorder and cannot be drawn "
                                              "one by one: U+05E9 \"\u05E9\" on line 1");
    QTest::newRow("Devanagari conjuncts")
        << QStringLiteral("a\r\nb\r\nनमस्ते")
        << QStringLiteral("the text holds Devanagari, whose letters join or reorder and cannot be drawn one by one: "
                          "U+0928 \"\u0928\" on line 3");
    QTest::newRow("a Syriac letter after Greek") << QStringLiteral("Ωμέγα ܐ")
                                                 << QStringLiteral("the text holds Syriac, whose letters join or reorder "
                                                                   "and cannot be drawn one by one: U+0710 \"\u0710\" on line 1");
    QTest::newRow("Mongolian") << QStringLiteral("ᠮᠣᠩᠭᠣᠯ")
                               << QStringLiteral("the text holds Mongolian, whose letters join or reorder and cannot be "
                                                 "drawn one by one: U+182E \"\u182E\" on line 1");
}

void TestUnicodeText::joiningScriptsAreRefused()
{
    QFETCH(QString, text);
    QFETCH(QString, message);
    try {
        CheckScripts(CharacterText::FromUnicode(text));
        QFAIL("a joining script was taken");
    } catch (const RefusedScript &error) {
        QCOMPARE(error.message(), message);
    }
    // Thai and Lao letters stand alone, and an 8-bit text is never looked at.
    CheckScripts(CharacterText::FromUnicode(QStringLiteral("ภาษาไทย ພາສາລາວ")));
    CheckScripts(CharacterText::FromBytes("\xE0\xE1", CodePageTable(1255)));
}

QTEST_MAIN(TestUnicodeText)
#include "tst_unicodetext.moc"
