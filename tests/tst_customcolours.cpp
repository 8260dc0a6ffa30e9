#include "CustomColours.h"
#include "LumoError.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <functional>
#include <memory>

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(file.errorString()));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<cannot open: ") + file.errorString().toUtf8() + '>';
    return file.readAll();
}

CustomColourSlots allEmpty()
{
    CustomColourSlots colours;
    colours.fill(-1);
    return colours;
}

// The sixteen lines as SetSlots writes them for slots that are all empty.
QByteArray emptyLines(char from = 'A', char to = 'P')
{
    QByteArray lines;
    for (char letter = from; letter <= to; ++letter)
        lines += QByteArray("Color") + letter + "=FFFFFFFF\r\n";
    return lines;
}

QString messageOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const LumoError &error) {
        return error.message();
    }
    return QStringLiteral("<no error>");
}

} // namespace

class tst_CustomColours : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void freshFile();
    void existingLinesKeepTheirPlace();
    void valueWritten_data();
    void valueWritten();
    void slotRead_data();
    void slotRead();
    void nonHexValueNamesItWithDollar();
    void missingFileGivesEmptySlots();
    void savedSlotsReadBack();
    void unwritableFileRaisesCreationError();
    void unreadableFileRaisesOpenError();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_previousDir;
};

void tst_CustomColours::init()
{
    m_previousDir = QDir::currentPath();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir::setCurrent(m_dir->path()));
}

void tst_CustomColours::cleanup()
{
    QTRY_VERIFY(std::none_of(QApplication::topLevelWidgets().cbegin(), QApplication::topLevelWidgets().cend(),
                             [](const QWidget *w) { return w->isVisible(); }));
    QDir::setCurrent(m_previousDir);
    m_dir.reset();
}

void tst_CustomColours::freshFile()
{
    CustomColours colours;
    colours.Load();
    CustomColourSlots values = allEmpty();
    values[1] = 0x000000FF;
    values[2] = 0x12345678;
    values[3] = 0;
    values[15] = 0x00FFFFFF;
    colours.SetSlots(values);
    colours.Save();

    QCOMPARE(readFile(QStringLiteral("Menuefarben.txt")),
             QByteArray("ColorA=FFFFFFFF\r\n"
                        "ColorB=0000FF\r\n"
                        "ColorC=12345678\r\n"
                        "ColorD=000000\r\n")
                 + emptyLines('E', 'O') + "ColorP=FFFFFF\r\n");
}

void tst_CustomColours::existingLinesKeepTheirPlace()
{
    // Lines in another order, a name in other letter case, a foreign line, a
    // line without "=" and LF-only line ends, as a hand-edited file may have.
    writeFile(QStringLiteral("Menuefarben.txt"),
              "ColorC=00FF00\n"
              "Foreign=keep me\r\n"
              "colora=123456\r\n"
              "no equals sign\r\n"
              "ColorB=\r\n");

    CustomColours colours;
    colours.Load();
    CustomColourSlots values = allEmpty();
    values[0] = 0x00ABCDEF;
    values[2] = 0x000000FF;
    colours.SetSlots(values);
    colours.Save();

    QCOMPARE(readFile(QStringLiteral("Menuefarben.txt")),
             QByteArray("ColorC=0000FF\r\n"
                        "Foreign=keep me\r\n"
                        "ColorA=ABCDEF\r\n"
                        "no equals sign\r\n"
                        "ColorB=FFFFFFFF\r\n")
                 + emptyLines('D', 'P'));
}

void tst_CustomColours::valueWritten_data()
{
    QTest::addColumn<Colour>("colour");
    QTest::addColumn<QByteArray>("line");

    QTest::newRow("empty slot") << Colour(-1) << QByteArray("ColorA=FFFFFFFF");
    QTest::newRow("zero padded to six digits") << Colour(0x000000FF) << QByteArray("ColorA=0000FF");
    QTest::newRow("black") << Colour(0) << QByteArray("ColorA=000000");
    QTest::newRow("exactly six digits") << Colour(0x00FFFFFF) << QByteArray("ColorA=FFFFFF");
    QTest::newRow("seven digits are not padded") << Colour(0x01ABCDEF) << QByteArray("ColorA=1ABCDEF");
    QTest::newRow("eight digits") << Colour(0x12345678) << QByteArray("ColorA=12345678");
    QTest::newRow("system colour") << static_cast<Colour>(0xFF000008u) << QByteArray("ColorA=FF000008");
}

void tst_CustomColours::valueWritten()
{
    QFETCH(Colour, colour);
    QFETCH(QByteArray, line);

    CustomColours colours;
    CustomColourSlots values = allEmpty();
    values[0] = colour;
    colours.SetSlots(values);
    QCOMPARE(colours.Lines().size(), 16);
    QCOMPARE(colours.Lines().first(), line);
}

void tst_CustomColours::slotRead_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<Colour>("slotB");

    QTest::newRow("empty value") << QByteArray("ColorB=\r\n") << Colour(-1);
    QTest::newRow("missing line") << QByteArray("ColorA=0000FF\r\nColorC=0000FF\r\n") << Colour(-1);
    QTest::newRow("empty file") << QByteArray() << Colour(-1);
    QTest::newRow("six digits") << QByteArray("ColorB=0000FF\r\n") << Colour(0x000000FF);
    QTest::newRow("lower-case digits") << QByteArray("ColorB=00ff00\r\n") << Colour(0x0000FF00);
    QTest::newRow("name in other case") << QByteArray("COLORb=80\r\n") << Colour(0x80);
    QTest::newRow("top bit set is the empty slot") << QByteArray("ColorB=FFFFFFFF\r\n") << Colour(-1);
    QTest::newRow("first of two lines counts") << QByteArray("ColorB=1\r\nColorB=2\r\n") << Colour(1);
    QTest::newRow("LF line ends") << QByteArray("ColorA=1\nColorB=2\n") << Colour(2);
    QTest::newRow("CR line ends") << QByteArray("ColorA=1\rColorB=3") << Colour(3);
    QTest::newRow("line without equals sign") << QByteArray("ColorB\r\n") << Colour(-1);
    QTest::newRow("text after NUL is not read") << QByteArray("ColorA=1\r\n\0ColorB=2\r\n", 22) << Colour(-1);
}

void tst_CustomColours::slotRead()
{
    QFETCH(QByteArray, file);
    QFETCH(Colour, slotB);

    writeFile(QStringLiteral("Menuefarben.txt"), file);
    CustomColours colours;
    colours.Load();
    QCOMPARE(colours.Slots()[1], slotB);
}

void tst_CustomColours::nonHexValueNamesItWithDollar()
{
    writeFile(QStringLiteral("Menuefarben.txt"), "ColorA=0000FF\r\nColorB=xyz\r\n");
    CustomColours colours;
    colours.Load();
    QCOMPARE(messageOf([&] { colours.Slots(); }),
             QStringLiteral("'$xyz' ist kein g\u00fcltiger Integerwert"));
}

void tst_CustomColours::missingFileGivesEmptySlots()
{
    CustomColours colours;
    colours.Load();
    QVERIFY(colours.Lines().isEmpty());
    QCOMPARE(colours.Slots(), allEmpty());
}

void tst_CustomColours::savedSlotsReadBack()
{
    CustomColourSlots values;
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = static_cast<Colour>(0x00102030 * i) - 1;
    CustomColours written;
    written.SetSlots(values);
    written.Save();

    CustomColours read;
    read.Load();
    QCOMPARE(read.Slots(), values);
}

void tst_CustomColours::unwritableFileRaisesCreationError()
{
    const QString path = QStringLiteral("no such folder/Menuefarben.txt");
    CustomColours colours;
    colours.SetSlots(allEmpty());
    const QString message = messageOf([&] { colours.Save(path); });
    const QString expectedStart = QStringLiteral("Datei \"%1\" kann nicht erstellt werden. ")
                                      .arg(QDir::current().absoluteFilePath(path));
    QVERIFY2(message.startsWith(expectedStart), qPrintable(message));
    QVERIFY2(message.size() > expectedStart.size(), "the system's reason is missing");
}

void tst_CustomColours::unreadableFileRaisesOpenError()
{
    // A folder of that name exists but cannot be read as a file.
    QVERIFY(QDir::current().mkdir(QStringLiteral("Menuefarben.txt")));
    CustomColours colours;
    const QString message = messageOf([&] { colours.Load(); });
    const QString expectedStart = QStringLiteral("Datei %1 kann nicht ge\u00f6ffnet werden. ")
                                      .arg(QDir::current().absoluteFilePath(QStringLiteral("Menuefarben.txt")));
    QVERIFY2(message.startsWith(expectedStart), qPrintable(message));
}

QTEST_MAIN(tst_CustomColours)
#include "tst_customcolours.moc"
