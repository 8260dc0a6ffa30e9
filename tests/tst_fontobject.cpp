#include "FontObject.h"
#include "RenderSettings.h"

#include <QFontInfo>
#include <QGuiApplication>
#include <QPalette>
#include <QtTest>

class TestFontObject : public QObject
{
    Q_OBJECT

private slots:
    void heightFollowsSize_data();
    void heightFollowsSize();
    void roundsHalvesAwayFromZero_data();
    void roundsHalvesAwayFromZero();
    void newFontAndStartSettings();
    void copiesAreSeparateObjects();
    void drawsWithPixelHeightAndStyle();
    void coloursResolve();
};

void TestFontObject::heightFollowsSize_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("height");

    QTest::newRow("8 pt") << 8 << -11;
    QTest::newRow("10 pt") << 10 << -13;
    QTest::newRow("12 pt") << 12 << -16;
    QTest::newRow("1 pt") << 1 << -1;
    QTest::newRow("0 pt has no height") << 0 << 0;
    QTest::newRow("negative size gives a positive height") << -8 << 11;
    QTest::newRow("72 pt") << 72 << -96;
}

void TestFontObject::heightFollowsSize()
{
    QFETCH(int, size);
    QFETCH(int, height);

    QCOMPARE(ScreenPixelsPerInch(), 96);
    FontObject font;
    font.SetSize(size);
    QCOMPARE(font.Height(), height);
    QCOMPARE(font.Size(), size);
}

void TestFontObject::roundsHalvesAwayFromZero_data()
{
    QTest::addColumn<qint64>("numerator");
    QTest::addColumn<qint64>("denominator");
    QTest::addColumn<qint64>("rounded");

    QTest::newRow("1.5") << qint64(3) << qint64(2) << qint64(2);
    QTest::newRow("-1.5") << qint64(-3) << qint64(2) << qint64(-2);
    QTest::newRow("2.5") << qint64(5) << qint64(2) << qint64(3);
    QTest::newRow("1.49") << qint64(149) << qint64(100) << qint64(1);
    QTest::newRow("-0.4") << qint64(-2) << qint64(5) << qint64(0);
    QTest::newRow("negative denominator") << qint64(3) << qint64(-2) << qint64(-2);
}

void TestFontObject::roundsHalvesAwayFromZero()
{
    QFETCH(qint64, numerator);
    QFETCH(qint64, denominator);
    QFETCH(qint64, rounded);
    QCOMPARE(RoundHalfAway(numerator, denominator), rounded);
}

void TestFontObject::newFontAndStartSettings()
{
    const FontObject font;
    QCOMPARE(font.Name(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(font.Size(), 8);
    QCOMPARE(font.Pitch(), FontObject::fpDefault);
    QCOMPARE(font.Style(), std::uint8_t(0));
    QCOMPARE(font.Charset(), std::uint8_t(1));
    QCOMPARE(font.Color(), static_cast<Colour>(0xFF000008u));

    ResetRenderSettings();
    QCOMPARE(BGColor, Colour(0x00FFFFFF));
    QCOMPARE(HoVar, 0);
    QCOMPARE(VeVar, 0);
    QCOMPARE(Rausch, 0);
}

void TestFontObject::copiesAreSeparateObjects()
{
    FontObject original;
    int changes = 0;
    original.OnChange = [&changes] { ++changes; };
    original.SetName(QStringLiteral("Arial"));
    original.SetStyle(FontObject::fsBold | FontObject::fsStrikeOut);
    QCOMPARE(changes, 2);

    FontObject copy(original);
    QVERIFY(copy.SameAs(original));
    QVERIFY(!copy.OnChange);
    copy.SetSize(20);
    QCOMPARE(original.Size(), 8);
    QCOMPARE(changes, 2);

    original.Assign(copy);
    QCOMPARE(original.Size(), 20);
    QCOMPARE(changes, 3);
    QVERIFY(original.HasStyle(FontObject::fsStrikeOut));
    QVERIFY(!original.HasStyle(FontObject::fsItalic));
}

void TestFontObject::drawsWithPixelHeightAndStyle()
{
    FontObject font;
    font.SetName(QStringLiteral("Arial"));
    font.SetSize(12);
    font.SetStyle(FontObject::fsBold | FontObject::fsItalic | FontObject::fsUnderline);
    const QFont qfont = font.ToQFont();
    QCOMPARE(qfont.pixelSize(), 16);
    QVERIFY(qfont.bold());
    QVERIFY(qfont.italic());
    QVERIFY(qfont.underline());
    QVERIFY(!qfont.strikeOut());
    // "Arial" must draw with a metric-compatible face.
    QCOMPARE(QFontInfo(qfont).family(), QStringLiteral("Liberation Sans"));
}

void TestFontObject::coloursResolve()
{
    QCOMPARE(ColourToRgb(0x000000FF), qRgb(255, 0, 0));
    QCOMPARE(ColourToRgb(0x00FF0000), qRgb(0, 0, 255));
    QCOMPARE(ColourToRgb(0x00123456), qRgb(0x56, 0x34, 0x12));
    QCOMPARE(ColourFromQColor(QColor(0x56, 0x34, 0x12)), Colour(0x00123456));
    QCOMPARE(ColourToRgb(clWindowText), QGuiApplication::palette().color(QPalette::Active, QPalette::Text).rgb());
    QCOMPARE(ColourToRgb(clWindow), QGuiApplication::palette().color(QPalette::Active, QPalette::Base).rgb());
}

QTEST_MAIN(TestFontObject)
#include "tst_fontobject.moc"
