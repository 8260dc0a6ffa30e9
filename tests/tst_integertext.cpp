#include "IntegerText.h"
#include "LumoError.h"

#include <QTest>
#include <climits>

class TestIntegerText : public QObject
{
    Q_OBJECT

private slots:
    void parseInteger_data();
    void parseInteger();
    void strToIntMessage_data();
    void strToIntMessage();
};

void TestIntegerText::parseInteger_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("value");

    // decimal
    QTest::newRow("0") << QByteArray("0") << true << 0;
    QTest::newRow("+10") << QByteArray("+10") << true << 10;
    QTest::newRow("-10") << QByteArray("-10") << true << -10;
    QTest::newRow("leading zeros") << QByteArray("00000000000042") << true << 42;
    QTest::newRow("2147483647") << QByteArray("2147483647") << true << INT_MAX;
    QTest::newRow("-2147483648") << QByteArray("-2147483648") << true << INT_MIN;
    QTest::newRow("2147483648 invalid") << QByteArray("2147483648") << false << 0;
    QTest::newRow("-2147483649 invalid") << QByteArray("-2147483649") << false << 0;
    QTest::newRow("4294967296 invalid") << QByteArray("4294967296") << false << 0;
    QTest::newRow("11 digits invalid") << QByteArray("99999999999") << false << 0;

    // hexadecimal
    QTest::newRow("0x10") << QByteArray("0x10") << true << 16;
    QTest::newRow("0X10") << QByteArray("0X10") << true << 16;
    QTest::newRow("$ff") << QByteArray("$ff") << true << 255;
    QTest::newRow("$FF") << QByteArray("$FF") << true << 255;
    QTest::newRow("x7FFFFFFF") << QByteArray("x7FFFFFFF") << true << INT_MAX;
    QTest::newRow("X1a") << QByteArray("X1a") << true << 26;
    QTest::newRow("$80000000 negative") << QByteArray("$80000000") << true << INT_MIN;
    QTest::newRow("$FFFFFFFF is -1") << QByteArray("$FFFFFFFF") << true << -1;
    QTest::newRow("$00FFFFFF") << QByteArray("$00FFFFFF") << true << 0x00FFFFFF;
    QTest::newRow("-$10") << QByteArray("-$10") << true << -16;
    QTest::newRow("+0x10") << QByteArray("+0x10") << true << 16;
    QTest::newRow("8 hex digits") << QByteArray("$12345678") << true << 0x12345678;
    QTest::newRow("9 hex digits invalid") << QByteArray("$123456789") << false << 0;
    QTest::newRow("9 hex digits with leading zero invalid") << QByteArray("0x000000001") << false << 0;
    QTest::newRow("$ alone invalid") << QByteArray("$") << false << 0;
    QTest::newRow("0x alone invalid") << QByteArray("0x") << false << 0;
    QTest::newRow("x alone invalid") << QByteArray("x") << false << 0;
    QTest::newRow("$g invalid") << QByteArray("$g") << false << 0;
    QTest::newRow("$$10 invalid") << QByteArray("$$10") << false << 0;
    QTest::newRow("0x-5 invalid") << QByteArray("0x-5") << false << 0;
    QTest::newRow("0x0x1 invalid") << QByteArray("0x0x1") << false << 0;
    QTest::newRow("blank after $ invalid") << QByteArray("$ 10") << false << 0;

    // blanks and signs
    QTest::newRow("leading blank ok") << QByteArray(" 10") << true << 10;
    QTest::newRow("leading tab ok") << QByteArray("\t-5") << true << -5;
    QTest::newRow("leading blanks before hex ok") << QByteArray("  $1F") << true << 31;
    QTest::newRow("trailing blank invalid") << QByteArray("10 ") << false << 0;
    QTest::newRow("blank after sign invalid") << QByteArray("- 5") << false << 0;
    QTest::newRow("two signs invalid") << QByteArray("+-5") << false << 0;
    QTest::newRow("sign alone invalid") << QByteArray("-") << false << 0;
    QTest::newRow("empty invalid") << QByteArray() << false << 0;
    QTest::newRow("blanks only invalid") << QByteArray("  ") << false << 0;
    QTest::newRow("trailing letter invalid") << QByteArray("10x") << false << 0;
    QTest::newRow("decimal point invalid") << QByteArray("1.5") << false << 0;
    QTest::newRow("exponent invalid") << QByteArray("1e3") << false << 0;
    QTest::newRow("embedded NUL invalid") << QByteArray("1\0", 2) << false << 0;
}

void TestIntegerText::parseInteger()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, valid);
    QFETCH(int, value);

    const std::optional<std::int32_t> parsed = ParseInteger(text);
    QCOMPARE(parsed.has_value(), valid);
    if (!valid) {
        QVERIFY_THROWS_EXCEPTION(LumoError, StrToInt(text));
        return;
    }
    QCOMPARE(*parsed, value);
    QCOMPARE(StrToInt(text), value);
}

void TestIntegerText::strToIntMessage_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("message");

    QTest::newRow("letter") << QByteArray("x") << QStringLiteral("'x' ist kein g\u00fcltiger Integerwert");
    QTest::newRow("empty") << QByteArray() << QStringLiteral("'' ist kein g\u00fcltiger Integerwert");
    QTest::newRow("$ alone") << QByteArray("$") << QStringLiteral("'$' ist kein g\u00fcltiger Integerwert");
    QTest::newRow("blanks kept") << QByteArray(" 1 ") << QStringLiteral("' 1 ' ist kein g\u00fcltiger Integerwert");
    QTest::newRow("Windows-1252 text") << QByteArray("\xe4\x80")
                                       << QStringLiteral("'\u00e4\u20ac' ist kein g\u00fcltiger Integerwert");
}

void TestIntegerText::strToIntMessage()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, message);
    try {
        StrToInt(text);
        QFAIL("no error raised");
    } catch (const LumoError &error) {
        QCOMPARE(error.message(), message);
    }
}

QTEST_MAIN(TestIntegerText)
#include "tst_integertext.moc"
