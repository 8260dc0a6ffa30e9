#include "CodePage.h"

#include <QtTest>

class TestCodePage : public QObject
{
    Q_OBJECT

private slots:
    void charsetTables_data();
    void charsetTables();
    void windows1252RoundTrip();
    void fitsCp1252_data();
    void fitsCp1252();
    void everyByteFits();
    void upperCase();
};

void TestCodePage::charsetTables_data()
{
    QTest::addColumn<int>("charset");
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("character");

    QTest::newRow("ANSI 0x80 is the euro sign") << 0 << 0x80 << 0x20AC;
    QTest::newRow("default charset like ANSI") << 1 << 0x9F << 0x0178;
    QTest::newRow("ANSI hole stays a control") << 0 << 0x81 << 0x0081;
    QTest::newRow("Central European 238") << 238 << 0x8A << 0x0160;
    QTest::newRow("Cyrillic 204") << 204 << 0xC0 << 0x0410;
    QTest::newRow("Greek 161") << 161 << 0xC1 << 0x0391;
    QTest::newRow("Turkish 162") << 162 << 0xD0 << 0x011E;
    QTest::newRow("Hebrew 177, a letter held back for marks") << 177 << 0xE0 << 0x05D0;
    QTest::newRow("Vietnamese 163, a letter held back for marks") << 163 << 0xC3 << 0x0102;
    QTest::newRow("Arabic 178") << 178 << 0xC7 << 0x0627;
    QTest::newRow("Baltic 186") << 186 << 0xC0 << 0x0104;
    QTest::newRow("Thai 222") << 222 << 0xA1 << 0x0E01;
    QTest::newRow("Mac Roman 77") << 77 << 0x80 << 0x00C4;
    QTest::newRow("OEM 255") << 255 << 0x80 << 0x00C7;
    QTest::newRow("Shift-JIS lead byte falls back to ANSI") << 128 << 0x81 << 0x0081;
    QTest::newRow("Shift-JIS ASCII") << 128 << 0x41 << 0x0041;
    QTest::newRow("unknown charset 42 draws ANSI") << 42 << 0x80 << 0x20AC;
}

void TestCodePage::charsetTables()
{
    QFETCH(int, charset);
    QFETCH(int, byte);
    QFETCH(int, character);
    QCOMPARE(int(CharsetTable(static_cast<std::uint8_t>(charset))[byte]), character);
}

void TestCodePage::windows1252RoundTrip()
{
    QByteArray all;
    for (int b = 1; b < 256; ++b)
        all.append(static_cast<char>(b));
    QCOMPARE(ToCp1252(FromCp1252(all)), all);
    QCOMPARE(ToCp1252(QStringLiteral("a\u20ACb\u0101c")), QByteArray("a\x80" "b?c"));
}

void TestCodePage::fitsCp1252_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("fits");

    QTest::newRow("empty text") << QString() << true;
    QTest::newRow("plain ASCII") << QStringLiteral("Mein Setup 1") << true;
    QTest::newRow("German letters in the upper half") << QStringLiteral("Gr\u00f6\u00dfe") << true;
    QTest::newRow("euro sign at byte 0x80") << QStringLiteral("\u20ac") << true;
    QTest::newRow("undefined byte 0x81 kept as the control U+0081") << QStringLiteral("\u0081") << true;
    QTest::newRow("U+0080, whose byte is the euro sign") << QStringLiteral("\u0080") << false;
    QTest::newRow("Latin letter outside the code page") << QStringLiteral("a\u0101") << false;
    QTest::newRow("Japanese") << QStringLiteral("\u65e5\u672c") << false;
    QTest::newRow("one such character among fitting ones") << QStringLiteral("Setup \u65e5") << false;
    QTest::newRow("character beyond 16 bits") << QStringLiteral("\U0001F600") << false;
}

void TestCodePage::fitsCp1252()
{
    QFETCH(QString, text);
    QFETCH(bool, fits);
    QCOMPARE(FitsCp1252(text), fits);
    // What fits is what comes back unchanged from its bytes.
    QCOMPARE(FromCp1252(ToCp1252(text)) == text, fits);
}

void TestCodePage::everyByteFits()
{
    // Every name read from the settings file can be written back.
    for (int b = 0; b < 256; ++b)
        QVERIFY2(FitsCp1252(FromCp1252(QByteArray(1, static_cast<char>(b)))), qPrintable(QString::number(b, 16)));
}

void TestCodePage::upperCase()
{
    QCOMPARE(UpperCp1252("abc xyz \xE4\xF6\xFC\xE9 \xF7\xDF \x9A\x9C\x9E\xFF"),
             QByteArray("ABC XYZ \xC4\xD6\xDC\xC9 \xF7\xDF \x8A\x8C\x8E\x9F"));
}

QTEST_APPLESS_MAIN(TestCodePage)
#include "tst_codepage.moc"
