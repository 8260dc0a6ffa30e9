#include "ConvertText.h"
#include "ImageCompare.h"
#include "PictureStack.h"
#include "PlainReference.h"
#include "RenderSettings.h"

#include <QtTest>

// The conversion lays the text out first and then draws its pages on their
// own, on several threads, from cached glyph cells; it must give exactly
// the pictures of drawing each character with its own text call, one page
// after the other.
class TestFastPath : public QObject
{
    Q_OBJECT

private slots:
    void matchesPlainDrawing_data();
    void matchesPlainDrawing();
};

namespace {

QByteArray everyPrintableByte()
{
    QByteArray text;
    for (int round = 0; round < 3; ++round) {
        for (int b = 32; b < 256; ++b) {
            if (b != 127)
                text.append(static_cast<char>(b));
            if (b % 40 == 0)
                text.append("\r\n");
        }
        text.append("\r\n");
    }
    return text;
}

} // namespace

void TestFastPath::matchesPlainDrawing_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("charset");
    QTest::addColumn<int>("jitter");
    QTest::addColumn<bool>("onePicture");
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<QSize>("page");

    const QSize page(308, 200);
    QTest::newRow("Arial 8 plain, pages") << "Arial" << 8 << 0 << 0 << 2 << false << 99u << page;
    QTest::newRow("Arial 12 bold, pages") << "Arial" << 12 << int(FontObject::fsBold) << 0 << 3 << false << 1u << page;
    QTest::newRow("Arial 10 italic overhangs its cells")
        << "Arial" << 10 << int(FontObject::fsItalic) << 0 << 3 << false << 0xFFFFFFFFu << QSize(200, 95);
    QTest::newRow("bold italic, one picture")
        << "Arial" << 9 << int(FontObject::fsBold | FontObject::fsItalic) << 0 << 4 << true << 99u << page;
    QTest::newRow("italic 24, one picture, narrow")
        << "Arial" << 24 << int(FontObject::fsItalic) << 0 << 3 << true << 7u << QSize(120, 40);
    QTest::newRow("underline and strikeout")
        << "Arial" << 8 << int(FontObject::fsUnderline | FontObject::fsStrikeOut) << 0 << 1 << false << 99u << page;
    QTest::newRow("serif 14, no jitter, wide and low")
        << "Liberation Serif" << 14 << 0 << 0 << 0 << false << 12345u << QSize(500, 60);
    QTest::newRow("Arial 57 pt: above 64 pixels glyphs differ by position")
        << "Arial" << 57 << 0 << 0 << 10 << false << 1650655481u << QSize(301, 203);
    QTest::newRow("Cyrillic charset 204") << "Arial" << 8 << 0 << 204 << 2 << false << 99u << page;
}

void TestFastPath::matchesPlainDrawing()
{
    QFETCH(QString, family);
    QFETCH(int, size);
    QFETCH(int, style);
    QFETCH(int, charset);
    QFETCH(int, jitter);
    QFETCH(bool, onePicture);
    QFETCH(quint32, seed);
    QFETCH(QSize, page);

    ResetRenderSettings();
    SetupFont->SetName(family);
    SetupFont->SetSize(size);
    SetupFont->SetStyle(static_cast<std::uint8_t>(style));
    SetupFont->SetCharset(static_cast<std::uint8_t>(charset));
    SetupFont->SetColor(0x00202080);
    BGColor = 0x00E0F0FF;
    HoVar = jitter;
    VeVar = jitter;
    Rausch = 5;

    const QByteArray text = everyPrintableByte();
    const std::vector<PlainPage> expected = PlainConvert(text, page.width(), page.height(), onePicture, seed);
    const quint32 generatorAfter = RandSeed;

    // One thread and several give the same pictures.
    for (const int jobs : {1, 3}) {
        PictureStack stack;
        stack.First().SetBounds(0, 0, page.width(), page.height());
        ConvertText(text, stack.First(), stack, onePicture, {.seed = seed, .jobs = jobs});

        QCOMPARE(ImageList.size(), expected.size());
        QVERIFY(expected.size() > 1 || onePicture);
        QCOMPARE(RandSeed, generatorAfter);
        for (std::size_t i = 0; i < expected.size(); ++i) {
            QCOMPARE(ImageList[i]->Top(), expected[i].top);
            QCOMPARE(ImageList[i]->Height(), expected[i].image.height());
            const QString difference = ImageDifference(ImageList[i]->Picture(), expected[i].image);
            QVERIFY2(difference.isEmpty(),
                     qPrintable(QStringLiteral("%1 jobs, picture %2: %3").arg(jobs).arg(i).arg(difference)));
        }
    }
}

QTEST_MAIN(TestFastPath)
#include "tst_fastpath.moc"
