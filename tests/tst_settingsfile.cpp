#include "ErrorMessage.h"
#include "SettingsFile.h"
#include "TestFiles.h"
#include "WorkingFolder.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <optional>

namespace {

const QString FixtureDir = QStringLiteral(LUMO_TEST_DATA "/settings/");

} // namespace

class TestSettingsFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void handWrittenFiles_data();
    void handWrittenFiles();
    void writingKeepsPlacesAndAppends();
    void duplicateSections();
    void readInteger_data();
    void readInteger();
    void bytesAreWrittenAsTheyAre();
    void missingFileIsEmpty();
    void fileThatCannotBeOpened();
    void fileThatCannotBeCreated();
    void failedWriteKeepsOldFile();

private:
    std::optional<WorkingFolder> m_folder;
};

void TestSettingsFile::init()
{
    m_folder.emplace();
    QVERIFY(m_folder->isValid());
}

void TestSettingsFile::cleanup()
{
    m_folder.reset();
}

void TestSettingsFile::handWrittenFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("comments, blank lines, padding") << QStringLiteral("basic");
    QTest::newRow("names in any case") << QStringLiteral("case");
    QTest::newRow("duplicate sections") << QStringLiteral("duplicates");
    QTest::newRow("odd headers and line ends") << QStringLiteral("odd");
    QTest::newRow("no sections") << QStringLiteral("nosections");
}

// Each fixture <name>.ini comes with <name>.expected (the sections and what
// lookups give) and <name>.written (the exact bytes of an unchanged write-back).
void TestSettingsFile::handWrittenFiles()
{
    QFETCH(QString, name);
    QVERIFY(QFile::copy(FixtureDir + name + ".ini", QStringLiteral("LumoSetup.ini")));
    const SettingsFile file;

    QList<QByteArray> expectedSections;
    const QList<QByteArray> expectations = ReadBytes(FixtureDir + name + ".expected").split('\n');
    for (const QByteArray &line : expectations) {
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QByteArray rest = line.mid(2);
        if (line.startsWith("S ")) {
            expectedSections.append(rest);
        } else if (line.startsWith("= ")) {
            const QList<QByteArray> parts = rest.split('|');
            QCOMPARE(parts.size(), 3);
            const std::optional<QByteArray> value = file.ReadValue(parts[0], parts[1]);
            QVERIFY2(value.has_value(), line.constData());
            QCOMPARE(*value, parts[2]);
            QCOMPARE(file.ReadString(parts[0], parts[1], "default"), parts[2]);
        } else if (line.startsWith("- ")) {
            const QList<QByteArray> parts = rest.split('|');
            QCOMPARE(parts.size(), 2);
            QVERIFY2(!file.ReadValue(parts[0], parts[1]).has_value(), line.constData());
            QCOMPARE(file.ReadString(parts[0], parts[1], "default"), QByteArray("default"));
        } else {
            QFAIL(line.constData());
        }
    }
    QCOMPARE(file.Sections(), expectedSections);

    file.UpdateFile();
    QCOMPARE(ReadBytes(QStringLiteral("LumoSetup.ini")), ReadBytes(FixtureDir + name + ".written"));
}

void TestSettingsFile::writingKeepsPlacesAndAppends()
{
    QVERIFY(WriteBytes(QStringLiteral("LumoSetup.ini"),
                       "; header comment\r\n[First]\r\na=1\r\nloose\r\nb = 2\r\n[Second]\r\nx=1\r\n"));
    {
        SettingsFile file;
        file.WriteString("first", "B", "20");
        file.WriteString("FIRST", "c", "3");
        file.WriteString("Third", "k", "v");
        file.WriteString("second", "x", "");
        file.WriteInteger("Third", "n", -2147483647 - 1);
        file.UpdateFile();
    }
    QCOMPARE(ReadBytes(QStringLiteral("LumoSetup.ini")),
             QByteArray("[First]\r\na=1\r\nloose\r\nB=20\r\nc=3\r\n\r\n"
                        "[Second]\r\nx=\r\n\r\n"
                        "[Third]\r\nk=v\r\nn=-2147483648\r\n\r\n"));

    const SettingsFile reread;
    QCOMPARE(reread.Sections(), (QList<QByteArray>{"First", "Second", "Third"}));
    // Present but empty is the empty text, not the default.
    QCOMPARE(reread.ReadValue("Second", "x"), std::optional<QByteArray>(QByteArray()));
    QCOMPARE(reread.ReadString("Second", "x", "default"), QByteArray());
    QCOMPARE(reread.ReadString("Second", "y", "default"), QByteArray("default"));
    QCOMPARE(reread.ReadInteger("Third", "n", 0), -2147483647 - 1);

    // An object that never had a section writes an empty file.
    const SettingsFile empty(QStringLiteral("empty.ini"));
    empty.UpdateFile();
    QVERIFY(QFileInfo::exists(QStringLiteral("empty.ini")));
    QCOMPARE(ReadBytes(QStringLiteral("empty.ini")), QByteArray());
}

void TestSettingsFile::duplicateSections()
{
    QVERIFY(QFile::copy(FixtureDir + "duplicates.ini", QStringLiteral("LumoSetup.ini")));
    SettingsFile file;
    file.WriteString("setup", "New", "1");
    QCOMPARE(file.ReadString("Setup", "New", ""), QByteArray("1"));

    file.EraseSection("sEtUp");
    QCOMPARE(file.Sections(), (QList<QByteArray>{"Setup", "Other", "SETUP"}));
    QCOMPARE(file.ReadString("Setup", "BGColor", ""), QByteArray("00000002"));
    QVERIFY(!file.ReadValue("Setup", "New"));

    // Writing goes to the section that is now the later one; its name keeps
    // the spelling it was first stored with.
    file.WriteString("setup", "BGColor", "00000004");
    file.UpdateFile();
    QCOMPARE(ReadBytes(QStringLiteral("LumoSetup.ini")),
             QByteArray("[Setup]\r\nBGColor=00000001\r\nOnly=first\r\n\r\n[Other]\r\nA=1\r\n\r\n"
                        "[SETUP]\r\nBGColor=00000004\r\n\r\n"));

    file.EraseSection("setup");
    file.EraseSection("setup");
    file.EraseSection("setup");
    QCOMPARE(file.Sections(), QList<QByteArray>{"Other"});
}

void TestSettingsFile::readInteger_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("expected");
    QTest::newRow("decimal") << QByteArray("42") << 42;
    QTest::newRow("negative") << QByteArray("-5") << -5;
    QTest::newRow("0x10") << QByteArray("0x10") << 16;
    QTest::newRow("0X1f") << QByteArray("0X1f") << 31;
    QTest::newRow("0x80000000 negative") << QByteArray("0x80000000") << (-2147483647 - 1);
    QTest::newRow("-0x10") << QByteArray("-0x10") << -16;
    QTest::newRow("$10") << QByteArray("$10") << 16;
    QTest::newRow("0x alone gives default") << QByteArray("0x") << 77;
    QTest::newRow("0x-1 gives default") << QByteArray("0x-1") << 77;
    QTest::newRow("0x with 9 digits gives default") << QByteArray("0x123456789") << 77;
    QTest::newRow("text gives default") << QByteArray("wide") << 77;
    QTest::newRow("empty gives default") << QByteArray("") << 77;
    QTest::newRow("2147483648 gives default") << QByteArray("2147483648") << 77;
}

void TestSettingsFile::readInteger()
{
    QFETCH(QByteArray, value);
    QFETCH(int, expected);
    QVERIFY(WriteBytes(QStringLiteral("LumoSetup.ini"), "[Numbers]\r\nvalue=" + value + "\r\n"));
    const SettingsFile file;
    QCOMPARE(file.ReadInteger("numbers", "VALUE", 77), expected);
    QCOMPARE(file.ReadInteger("numbers", "other", 77), 77);
    QCOMPARE(file.ReadInteger("missing", "value", -3), -3);
}

void TestSettingsFile::bytesAreWrittenAsTheyAre()
{
    const QByteArray eightBit("\xe4\x80\xff\xdf");
    {
        SettingsFile file;
        file.WriteString("Gr\xfc\xdf" "e", "Name", eightBit);
        file.UpdateFile();
    }
    const QByteArray written = ReadBytes(QStringLiteral("LumoSetup.ini"));
    QCOMPARE(written, "[Gr\xfc\xdf" "e]\r\nName=" + eightBit + "\r\n\r\n");
    QCOMPARE(SettingsFile().ReadString("GR\xdc\xdf" "E", "name", ""), eightBit);
}

void TestSettingsFile::missingFileIsEmpty()
{
    const SettingsFile file;
    QVERIFY(file.Sections().isEmpty());
    QCOMPARE(file.ReadString("Any", "Key", "default"), QByteArray("default"));
    QCOMPARE(file.Path(), DefaultSettingsPath);
    QVERIFY(!QFileInfo::exists(QStringLiteral("LumoSetup.ini")));
}

void TestSettingsFile::fileThatCannotBeOpened()
{
    QVERIFY(QDir().mkdir(QStringLiteral("LumoSetup.ini")));
    const QString fullPath = AbsoluteNativePath("LumoSetup.ini");
    QCOMPARE(MessageOf([] { SettingsFile file; }),
             QStringLiteral("Datei %1 kann nicht ge\u00f6ffnet werden. file to open is a directory").arg(fullPath));
    // A device in the file's place would never end.
    QCOMPARE(MessageOf([] { SettingsFile file(QStringLiteral("/dev/zero")); }),
             QStringLiteral("Datei /dev/zero kann nicht ge\u00f6ffnet werden. Not a regular file"));
}

void TestSettingsFile::fileThatCannotBeCreated()
{
    SettingsFile file(QStringLiteral("missing/LumoSetup.ini"));
    file.WriteString("Setup", "Key", "Value");
    const QString fullPath = AbsoluteNativePath("missing/LumoSetup.ini");
    QCOMPARE(MessageOf([&file] { file.UpdateFile(); }),
             QStringLiteral("Datei \"%1\" kann nicht erstellt werden. No such file or directory").arg(fullPath));
    QVERIFY(!QFileInfo::exists(QStringLiteral("missing")));
}

void TestSettingsFile::failedWriteKeepsOldFile()
{
    const QByteArray old("[Old]\r\nKey=Value\r\n\r\n");
    QVERIFY(WriteBytes(QStringLiteral("LumoSetup.ini"), old));
    SettingsFile file;
    for (int i = 0; i < 50; ++i)
        file.WriteInteger("Bulky", "Key" + QByteArray::number(i), i);

    QString message;
    {
        const FileSizeLimit limit(old.size());
        QVERIFY(limit.active());
        message = MessageOf([&file] { file.UpdateFile(); });
    }
    const QString fullPath = AbsoluteNativePath("LumoSetup.ini");
    QCOMPARE(message, QStringLiteral("Datei \"%1\" kann nicht erstellt werden. File too large").arg(fullPath));
    QCOMPARE(ReadBytes(QStringLiteral("LumoSetup.ini")), old);
    // No temporary file is left beside it either.
    QCOMPARE(QDir::current().entryList(QDir::Files | QDir::Hidden), QStringList{"LumoSetup.ini"});

    // Without the limit the same copy is written in full.
    file.UpdateFile();
    QVERIFY(ReadBytes(QStringLiteral("LumoSetup.ini")).endsWith("Key49=49\r\n\r\n"));
}

QTEST_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
