#include "ErrorMessage.h"
#include "TestFiles.h"
#include "TextFile.h"
#include "WholeFile.h"
#include "WorkingFolder.h"

#include <QDir>
#include <QTest>
#include <optional>

class TestTextFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void lineBreaks_data();
    void lineBreaks();
    void hugeSparseFileIsReadToItsNul();
    void fileThatCannotBeOpened();
    void readingStopsPastTheLimit_data();
    void readingStopsPastTheLimit();
    void saveWritesBytesAsTheyAre();
    void fileThatCannotBeCreated();
    void failedWriteKeepsOldFile();
    void fullPath();

private:
    std::optional<WorkingFolder> m_folder;
};

void TestTextFile::init()
{
    m_folder.emplace();
    QVERIFY(m_folder->isValid());
}

void TestTextFile::cleanup()
{
    m_folder.reset();
}

void TestTextFile::lineBreaks_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("loaded");
    QTest::addColumn<QByteArray>("lines");

    QTest::newRow("empty file") << QByteArray() << QByteArray() << QByteArray();
    QTest::newRow("no final break") << QByteArray("a") << QByteArray("a") << QByteArray("a\r\n");
    QTest::newRow("LF") << QByteArray("a\nb\n") << QByteArray("a\r\nb\r\n") << QByteArray("a\r\nb\r\n");
    QTest::newRow("CR") << QByteArray("a\rb") << QByteArray("a\r\nb") << QByteArray("a\r\nb\r\n");
    QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QByteArray("a\r\nb\r\n") << QByteArray("a\r\nb\r\n");
    QTest::newRow("LF CR is two breaks") << QByteArray("a\n\rb") << QByteArray("a\r\n\r\nb")
                                         << QByteArray("a\r\n\r\nb\r\n");
    QTest::newRow("CR CR LF is two breaks") << QByteArray("a\r\r\nb") << QByteArray("a\r\n\r\nb")
                                            << QByteArray("a\r\n\r\nb\r\n");
    QTest::newRow("breaks of every kind in a row") << QByteArray("a\r\n\n\r\r\n\rb") << QByteArray("a\r\n\r\n\r\n\r\n\r\nb")
                                                   << QByteArray("a\r\n\r\n\r\n\r\n\r\nb\r\n");
    QTest::newRow("only breaks") << QByteArray("\n\r\n\r") << QByteArray("\r\n\r\n\r\n")
                                 << QByteArray("\r\n\r\n\r\n");
    QTest::newRow("NUL ends the text") << QByteArray("ab\0cd\nef", 8) << QByteArray("ab") << QByteArray("ab\r\n");
    QTest::newRow("NUL first") << QByteArray("\0abc", 4) << QByteArray() << QByteArray();
    QTest::newRow("NUL after a break") << QByteArray("a\n\0b", 4) << QByteArray("a\r\n") << QByteArray("a\r\n");
    QTest::newRow("NUL between CR and LF") << QByteArray("a\r\0\nb", 5) << QByteArray("a\r\n")
                                           << QByteArray("a\r\n");
    QTest::newRow("8-bit bytes and blanks kept") << QByteArray("\xe4\x80\xff  \n\t")
                                                 << QByteArray("\xe4\x80\xff  \r\n\t")
                                                 << QByteArray("\xe4\x80\xff  \r\n\t\r\n");
}

void TestTextFile::lineBreaks()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, loaded);
    QFETCH(QByteArray, lines);
    QVERIFY(WriteBytes(QStringLiteral("text.txt"), bytes));
    QCOMPARE(LoadTextFile(QStringLiteral("text.txt")), loaded);
    QCOMPARE(ReadTextFileLines(QStringLiteral("text.txt")), lines);

    // The same lines from the text in pieces: cut in two at every place,
    // and a byte at a time.
    const QByteArray text = bytes.left(bytes.indexOf('\0') < 0 ? bytes.size() : bytes.indexOf('\0'));
    for (qsizetype cut = 0; cut <= text.size(); ++cut) {
        TextLinesStream stream;
        QByteArray streamed;
        stream.Put(QByteArrayView(text).first(cut), streamed);
        stream.Put(QByteArrayView(text).sliced(cut), streamed);
        stream.End(streamed);
        QVERIFY2(streamed == lines, qPrintable(QStringLiteral("cut at %1: %2").arg(cut).arg(QString::fromLatin1(streamed.toHex()))));
    }
    TextLinesStream stream;
    QByteArray streamed;
    for (const char byte : text)
        stream.Put(QByteArrayView(&byte, 1), streamed);
    stream.End(streamed);
    QCOMPARE(streamed, lines);
}

void TestTextFile::hugeSparseFileIsReadToItsNul()
{
    // A file of 200 GB that holds a line and then nothing but zeros (a
    // sparse file): its size is no measure of its text, which ends at the
    // first NUL. Reading it may not ask for room for 200 GB.
    QFile file(QStringLiteral("sparse.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write("line\n"), qint64(5));
    if (!file.resize(qint64(200) << 30))
        QSKIP("this file system holds no sparse file of 200 GB");
    file.close();
    QCOMPARE(ReadTextFileLines(QStringLiteral("sparse.txt")), QByteArray("line\r\n"));
    QCOMPARE(LoadTextFile(QStringLiteral("sparse.txt")), QByteArray("line\r\n"));
}

void TestTextFile::readingStopsPastTheLimit_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("loaded");

    QTest::newRow("shorter than the limit") << QByteArray("abc") << QByteArray("abc");
    QTest::newRow("exactly the limit") << QByteArray("abcdefghij") << QByteArray("abcdefghij");
    QTest::newRow("one byte over: cut, and longer than the limit")
        << QByteArray("abcdefghijk") << QByteArray("abcdefghijk");
    QTest::newRow("far over") << QByteArray(10000, 'x') << QByteArray(11, 'x');
    QTest::newRow("NUL right away") << QByteArray(1 << 22, '\0') << QByteArray();
    QTest::newRow("NUL before the limit ends the text")
        << QByteArray("abc") + QByteArray(1, '\0') + QByteArray(10000, 'x') << QByteArray("abc");
}

void TestTextFile::readingStopsPastTheLimit()
{
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, loaded);
    QVERIFY(WriteBytes(QStringLiteral("limited.txt"), content));
    QCOMPARE(LoadTextFile(QStringLiteral("limited.txt"), 10), loaded);
    // Without a limit the text still ends at the first NUL byte, also on a
    // device that never ends.
    if (content.startsWith('\0'))
        QCOMPARE(LoadTextFile(QStringLiteral("/dev/zero")), QByteArray());
}

void TestTextFile::fileThatCannotBeOpened()
{
    const QString missing = QStringLiteral("Datei %1 kann nicht ge\u00f6ffnet werden. No such file or directory")
                                .arg(AbsoluteNativePath("missing.txt"));
    QCOMPARE(MessageOf([] { LoadTextFile(QStringLiteral("missing.txt")); }), missing);
    QCOMPARE(MessageOf([] { ReadTextFileLines(QStringLiteral("missing.txt")); }), missing);

    QVERIFY(QDir().mkdir(QStringLiteral("folder.txt")));
    QCOMPARE(MessageOf([] { LoadTextFile(QStringLiteral("folder.txt")); }),
             QStringLiteral("Datei %1 kann nicht ge\u00f6ffnet werden. file to open is a directory")
                 .arg(AbsoluteNativePath("folder.txt")));
}

void TestTextFile::saveWritesBytesAsTheyAre()
{
    const QByteArray text("Zeile \xe4\r\n\0zwei\nohne Ende", 22);
    SaveFile(QStringLiteral("out.txt"), text);
    QCOMPARE(ReadBytes(QStringLiteral("out.txt")), text);

    SaveFile(QStringLiteral("out.txt"), QByteArray("kurz"));
    QCOMPARE(ReadBytes(QStringLiteral("out.txt")), QByteArray("kurz"));

    SaveFile(QStringLiteral("out.txt"), QByteArray());
    QVERIFY(QFileInfo::exists(QStringLiteral("out.txt")));
    QCOMPARE(ReadBytes(QStringLiteral("out.txt")), QByteArray());
}

void TestTextFile::fileThatCannotBeCreated()
{
    QCOMPARE(MessageOf([] { SaveFile(QStringLiteral("missing/out.txt"), "text"); }),
             QStringLiteral("Datei \"%1\" kann nicht erstellt werden. No such file or directory")
                 .arg(AbsoluteNativePath("missing/out.txt")));

    QVERIFY(QDir().mkdir(QStringLiteral("folder.txt")));
    QCOMPARE(MessageOf([] { SaveFile(QStringLiteral("folder.txt"), "text"); }),
             QStringLiteral("Datei \"%1\" kann nicht erstellt werden. Filename refers to a directory")
                 .arg(AbsoluteNativePath("folder.txt")));
    QVERIFY(QFileInfo(QStringLiteral("folder.txt")).isDir());
}

void TestTextFile::failedWriteKeepsOldFile()
{
    const QByteArray old("the old text\r\n");
    QVERIFY(WriteBytes(QStringLiteral("out.txt"), old));
    const QByteArray longer(100000, 'x');
    QString message;
    {
        const FileSizeLimit limit(old.size());
        QVERIFY(limit.active());
        message = MessageOf([&longer] { SaveFile(QStringLiteral("out.txt"), longer); });
    }
    QCOMPARE(message, QStringLiteral("Datei \"%1\" kann nicht erstellt werden. File too large")
                          .arg(AbsoluteNativePath("out.txt")));
    QCOMPARE(ReadBytes(QStringLiteral("out.txt")), old);
    QCOMPARE(QDir::current().entryList(QDir::Files | QDir::Hidden), QStringList{"out.txt"});
}

void TestTextFile::fullPath()
{
    QCOMPARE(FullPath(QStringLiteral("name.txt")), AbsoluteNativePath("name.txt"));
    const QString elsewhere = QDir::toNativeSeparators(QDir::tempPath() + "/elsewhere.txt");
    QCOMPARE(FullPath(QDir::tempPath() + "/elsewhere.txt"), elsewhere);
}

QTEST_MAIN(TestTextFile)
#include "tst_textfile.moc"
