#include "ConvertText.h"
#include "ImageCompare.h"
#include "PictureStack.h"
#include "PlainReference.h"
#include "RenderSettings.h"

#include <QtTest>

// The conversion copies cached glyph cells into the bitmap; it must give
// exactly the pictures of drawing each character with its own text call.
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

    QTest::newRow("Arial 8 plain, pages") << "Arial" << 8 << 0 << 0 << 2 << false;
    QTest::newRow("Arial 12 bold, pages") << "Arial" << 12 << int(FontObject::fsBold) << 0 << 3 << false;
    QTest::newRow("Arial 10 italic overhangs its cells") << "Arial" << 10 << int(FontObject::fsItalic) << 0 << 3 << false;
    QTest::newRow("bold italic, one picture")
        << "Arial" << 9 << int(FontObject::fsBold | FontObject::fsItalic) << 0 << 4 << true;
    QTest::newRow("underline and strikeout")
        << "Arial" << 8 << int(FontObject::fsUnderline | FontObject::fsStrikeOut) << 0 << 1 << false;
    QTest::newRow("serif 14, no jitter") << "Liberation Serif" << 14 << 0 << 0 << 0 << false;
    QTest::newRow("Cyrillic charset 204") << "Arial" << 8 << 0 << 204 << 2 << false;
}

void TestFastPath::matchesPlainDrawing()
{
    QFETCH(QString, family);
    QFETCH(int, size);
    QFETCH(int, style);
    QFETCH(int, charset);
    QFETCH(int, jitter);
    QFETCH(bool, onePicture);

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
    const int width = 308;
    const int height = 200;
    const std::vector<PlainPage> expected = PlainConvert(text, width, height, onePicture, 99);

    PictureStack stack;
    stack.First().SetBounds(0, 0, width, height);
    ConvertText(text, stack.First(), stack, onePicture, {.seed = 99});

    QCOMPARE(ImageList.size(), expected.size());
    QVERIFY(expected.size() > 1 || onePicture);
    for (std::size_t i = 0; i < expected.size(); ++i) {
        QCOMPARE(ImageList[i]->Top(), expected[i].top);
        const QString difference = ImageDifference(ImageList[i]->Picture(), expected[i].image);
        QVERIFY2(difference.isEmpty(), qPrintable(QStringLiteral("picture %1: %2").arg(i).arg(difference)));
    }
}

QTEST_MAIN(TestFastPath)
#include "tst_fastpath.moc"
