#include "LumoError.h"
#include "TextFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <functional>
#include <optional>
#include <sys/resource.h>

namespace {

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArrayLiteral("<cannot read ") + path.toLocal8Bit() + '>';
    return file.readAll();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
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

QString absolute(const QString &name)
{
    return QDir::toNativeSeparators(QDir::current().absoluteFilePath(name));
}

// Every write of this process past the given size fails with "File too
// large", the way a full disk makes a write fail half-way. Tests run as root,
// so a read-only folder would not stop a write.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_previous);
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_previous;
        limit.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    bool active() const { return m_active; }

private:
    rlimit m_previous{};
    void (*m_previousHandler)(int) = nullptr;
    bool m_active = false;
};

} // namespace

class TestTextFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void lineBreaks_data();
    void lineBreaks();
    void fileThatCannotBeOpened();
    void saveWritesBytesAsTheyAre();
    void fileThatCannotBeCreated();
    void failedWriteKeepsOldFile();
    void fullPath();

private:
    std::optional<QTemporaryDir> m_dir;
    QString m_previousDir;
};

void TestTextFile::init()
{
    m_previousDir = QDir::currentPath();
    m_dir.emplace();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir::setCurrent(m_dir->path()));
}

void TestTextFile::cleanup()
{
    QDir::setCurrent(m_previousDir);
    m_dir.reset();
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
    QVERIFY(writeBytes(QStringLiteral("text.txt"), bytes));
    QCOMPARE(LoadTextFile(QStringLiteral("text.txt")), loaded);
    QCOMPARE(ReadTextFileLines(QStringLiteral("text.txt")), lines);
}

void TestTextFile::fileThatCannotBeOpened()
{
    const QString missing = QStringLiteral("Datei %1 kann nicht ge\u00f6ffnet werden. No such file or directory")
                                .arg(absolute("missing.txt"));
    QCOMPARE(messageOf([] { LoadTextFile(QStringLiteral("missing.txt")); }), missing);
    QCOMPARE(messageOf([] { ReadTextFileLines(QStringLiteral("missing.txt")); }), missing);

    QVERIFY(QDir().mkdir(QStringLiteral("folder.txt")));
    QCOMPARE(messageOf([] { LoadTextFile(QStringLiteral("folder.txt")); }),
             QStringLiteral("Datei %1 kann nicht ge\u00f6ffnet werden. file to open is a directory")
                 .arg(absolute("folder.txt")));
}

void TestTextFile::saveWritesBytesAsTheyAre()
{
    const QByteArray text("Zeile \xe4\r\n\0zwei\nohne Ende", 22);
    SaveTextFile(QStringLiteral("out.txt"), text);
    QCOMPARE(readBytes(QStringLiteral("out.txt")), text);

    SaveTextFile(QStringLiteral("out.txt"), QByteArray("kurz"));
    QCOMPARE(readBytes(QStringLiteral("out.txt")), QByteArray("kurz"));

    SaveTextFile(QStringLiteral("out.txt"), QByteArray());
    QVERIFY(QFileInfo::exists(QStringLiteral("out.txt")));
    QCOMPARE(readBytes(QStringLiteral("out.txt")), QByteArray());
}

void TestTextFile::fileThatCannotBeCreated()
{
    QCOMPARE(messageOf([] { SaveTextFile(QStringLiteral("missing/out.txt"), "text"); }),
             QStringLiteral("Datei \"%1\" kann nicht erstellt werden. No such file or directory")
                 .arg(absolute("missing/out.txt")));

    QVERIFY(QDir().mkdir(QStringLiteral("folder.txt")));
    QCOMPARE(messageOf([] { SaveTextFile(QStringLiteral("folder.txt"), "text"); }),
             QStringLiteral("Datei \"%1\" kann nicht erstellt werden. Filename refers to a directory")
                 .arg(absolute("folder.txt")));
    QVERIFY(QFileInfo(QStringLiteral("folder.txt")).isDir());
}

void TestTextFile::failedWriteKeepsOldFile()
{
    const QByteArray old("the old text\r\n");
    QVERIFY(writeBytes(QStringLiteral("out.txt"), old));
    const QByteArray longer(100000, 'x');
    QString message;
    {
        const FileSizeLimit limit(old.size());
        QVERIFY(limit.active());
        message = messageOf([&longer] { SaveTextFile(QStringLiteral("out.txt"), longer); });
    }
    QCOMPARE(message, QStringLiteral("Datei \"%1\" kann nicht erstellt werden. File too large").arg(absolute("out.txt")));
    QCOMPARE(readBytes(QStringLiteral("out.txt")), old);
    QCOMPARE(QDir::current().entryList(QDir::Files | QDir::Hidden), QStringList{"out.txt"});
}

void TestTextFile::fullPath()
{
    QCOMPARE(FullPath(QStringLiteral("name.txt")), absolute("name.txt"));
    const QString elsewhere = QDir::toNativeSeparators(QDir::tempPath() + "/elsewhere.txt");
    QCOMPARE(FullPath(QDir::tempPath() + "/elsewhere.txt"), elsewhere);
}

QTEST_MAIN(TestTextFile)
#include "tst_textfile.moc"
