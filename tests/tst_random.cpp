#include "LumoRandom.h"

#include <QtTest>

class TestRandom : public QObject
{
    Q_OBJECT

private slots:
    void sequence_data();
    void sequence();
    void everyCallAdvancesTheSeed();
    void advanceEqualsSteppingOneByOne();
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

void TestRandom::advanceEqualsSteppingOneByOne()
{
    for (const quint32 start : {0u, 1u, 7u, 0xFFFFFFFFu, 0x9E3779B9u}) {
        quint32 stepped = start;
        for (quint64 steps = 0; steps <= 2500; ++steps) {
            if (steps % 97 == 0 || steps < 70)
                QCOMPARE(AdvanceSeed(start, steps), stepped);
            stepped = stepped * 134775813u + 1u;
        }
    }
    // The period is 2^32: a full round comes back, also in 64-bit counts.
    QCOMPARE(AdvanceSeed(12345u, quint64(1) << 32), 12345u);
    QCOMPARE(AdvanceSeed(12345u, (quint64(3) << 32) + 5), AdvanceSeed(12345u, 5));
}

QTEST_APPLESS_MAIN(TestRandom)
#include "tst_random.moc"
