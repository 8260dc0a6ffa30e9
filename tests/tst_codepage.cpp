#include "CodePage.h"

#include <QtTest>

class TestCodePage : public QObject
{
    Q_OBJECT

private slots:
    void charsetTables_data();
    void charsetTables();
    void windows1252RoundTrip();
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

void TestCodePage::upperCase()
{
    QCOMPARE(UpperCp1252("abc xyz \xE4\xF6\xFC\xE9 \xF7\xDF \x9A\x9C\x9E\xFF"),
             QByteArray("ABC XYZ \xC4\xD6\xDC\xC9 \xF7\xDF \x8A\x8C\x8E\x9F"));
}

QTEST_APPLESS_MAIN(TestCodePage)
#include "tst_codepage.moc"
