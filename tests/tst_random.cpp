#include "LumoRandom.h"

#include <QtTest>

class TestRandom : public QObject
{
    Q_OBJECT

private slots:
    void sequence_data();
    void sequence();
    void everyCallAdvancesTheSeed();
};

void TestRandom::sequence_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("range");
    QTest::addColumn<QList<int>>("expected");

    // Worked out independently: seed := seed * 134775813 + 1 (mod 2^32), result = (range * seed) >> 32.
    QTest::newRow("seed 0, range 100") << quint32(0) << 100 << QList<int>{0, 3, 86, 20, 27};
    QTest::newRow("seed 1, range 10") << quint32(1) << 10 << QList<int>{0, 8, 2, 2, 6};
    QTest::newRow("range 0 is always 0") << quint32(12345) << 0 << QList<int>{0, 0, 0};
    QTest::newRow("range -1 read as 2^32 - 1") << quint32(0) << -1 << QList<int>{0, 134775813, -596792290};
}

void TestRandom::sequence()
{
    QFETCH(quint32, seed);
    QFETCH(int, range);
    QFETCH(QList<int>, expected);

    RandSeed = seed;
    QList<int> actual;
    for (qsizetype i = 0; i < expected.size(); ++i)
        actual << Random(range);
    QCOMPARE(actual, expected);
}

void TestRandom::everyCallAdvancesTheSeed()
{
    RandSeed = 7;
    Random(0);
    QCOMPARE(RandSeed, quint32(7u * 134775813u + 1u));
    Random(-5);
    QCOMPARE(RandSeed, quint32((7u * 134775813u + 1u) * 134775813u + 1u));
}

QTEST_APPLESS_MAIN(TestRandom)
#include "tst_random.moc"
