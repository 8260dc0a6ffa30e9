// lumo-render under hostile or careless use: outputs that are one file,
// FIFOs and devices in a file's place, signals, a disk that fills up,
// pictures too large for their format and standard input that is odd. In
// every case nothing the user had is lost and no failure passes as success.

#include "ChildRun.h"
#include "ErrorMessage.h"
#include "RenderRun.h"
#include "TestFiles.h"
#include "WorkingFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QtTest>
#include <csignal>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

const QString Hint = QStringLiteral(" (see lumo-render --help)");

bool isFifo(const char *path)
{
    struct stat status{};
    return ::lstat(path, &status) == 0 && S_ISFIFO(status.st_mode);
}

// The report's lines, each the name of a picture written.
QStringList reportedNames(const QByteArray &out)
{
    QStringList names;
    for (const QByteArray &line : out.split('\n')) {
        if (!line.isEmpty())
            names.append(QString::fromUtf8(line.left(line.indexOf(' '))));
    }
    return names;
}

// What a run with standard input given as a descriptor printed; closed
// standard input when input is -1.
struct DescriptorRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

QByteArray readAll(int fd)
{
    QByteArray bytes;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return bytes;
        bytes.append(buffer, got);
    }
}

// whileRunning is called once the program runs, with the read end of its
// standard output; it may close it.
DescriptorRun runWithInput(const QStringList &arguments, int input, const std::function<void(int &out)> &whileRunning)
{
    const ArgumentVector argv(QStringLiteral(LUMO_RENDER_EXE), arguments);
    int out[2];
    int err[2];
    DescriptorRun run;
    // Only the child's own ends stay open in it: a write end left there
    // would keep its standard input from ever ending.
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
        return run;
    const pid_t child = ::fork();
    if (child == 0) {
        if (input >= 0)
            ::dup2(input, STDIN_FILENO);
        else
            ::close(STDIN_FILENO);
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(err[1], STDERR_FILENO);
        ::execv(argv.Get()[0], argv.Get());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    std::thread errors([&] { run.err = readAll(err[0]); });
    whileRunning(out[0]);
    if (out[0] >= 0) {
        run.out = readAll(out[0]);
        ::close(out[0]);
    }
    errors.join();
    ::close(err[0]);
    int status = 0;
    if (child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status))
        run.exitCode = WEXITSTATUS(status);
    return run;
}

} // namespace

class tst_RenderGuards : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void outputsThatAreOneFileAreRefused_data();
    void outputsThatAreOneFileAreRefused();
    void fifosAndDevicesAreWrittenInto();
    void signalsLeaveNoHiddenFiles_data();
    void signalsLeaveNoHiddenFiles();
    void readerGoingAwayStopsTheRun();
    void fullDiskNamesTheFirstPageNotWritten_data();
    void fullDiskNamesTheFirstPageNotWritten();
    void failedRunKeepsTheOldManifest();
    void bmpLargerThanItsFormatIsRefused();
    void nonBlockingStandardInputIsWaitedFor();
    void closedStandardInputIsAnError();
    void fileSizeLimitKeepsTheTextInMemory();

private:
    Run run(const QStringList &arguments, const QProcessEnvironment &environment =
                                              QProcessEnvironment::systemEnvironment())
    {
        return RunRender(m_folder->path(), arguments, QByteArray(), environment);
    }

    std::optional<WorkingFolder> m_folder;
};

void tst_RenderGuards::init()
{
    m_folder.emplace();
    QVERIFY(m_folder->isValid());
}

void tst_RenderGuards::cleanup()
{
    m_folder.reset();
}

void tst_RenderGuards::outputsThatAreOneFileAreRefused_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    // in.txt has 13 lines: three pages of 200 x 100 (out11 to out13).
    const QStringList pages{"--seed", "1", "--page", "200x100"};
    QTest::newRow("manifest is the picture")
        << QStringList{"--ground-truth", "out.png", "short.txt", "out.png"}
        << "lumo-render: the manifest (--ground-truth) 'out.png' and the picture 'out.png' are the same file";
    QTest::newRow("manifest is a numbered page")
        << pages + QStringList{"--ground-truth", "out12.png", "in.txt", "out.png"}
        << "lumo-render: the manifest (--ground-truth) 'out12.png' and the picture 'out12.png' are the same file";
    QTest::newRow("manifest is INPUT")
        << QStringList{"--ground-truth", "in.txt", "in.txt", "o.png"}
        << "lumo-render: INPUT 'in.txt' and the manifest (--ground-truth) 'in.txt' are the same file";
    QTest::newRow("manifest is the settings file")
        << QStringList{"--settings", "s.ini", "--ground-truth", "./s.ini", "in.txt"}
        << "lumo-render: the settings file 's.ini' and the manifest (--ground-truth) './s.ini' are the same file";
    QTest::newRow("manifest is a box file")
        << pages + QStringList{"--boxes", "--ground-truth", "out13.box", "in.txt", "out.bmp"}
        << "lumo-render: the manifest (--ground-truth) 'out13.box' and the box file (--boxes) 'out13.box' are the "
           "same file";
    QTest::newRow("manifest is an outlined picture")
        << pages + QStringList{"--overlay", "--ground-truth", "out11-overlay.jpg", "in.txt", "out.jpg"}
        << "lumo-render: the manifest (--ground-truth) 'out11-overlay.jpg' and the outlined picture (--overlay) "
           "'out11-overlay.jpg' are the same file";
    QTest::newRow("manifest is a line image")
        << pages + QStringList{"--lines", ".", "--ground-truth", "out12-0001.png", "in.txt", "out.png"}
        << "lumo-render: the manifest (--ground-truth) 'out12-0001.png' and the line image (--lines) "
           "'./out12-0001.png' are the same file";
    QTest::newRow("manifest is the text of the last line")
        << pages + QStringList{"--lines", "lines", "--ground-truth", "lines/out13-0000.gt.txt", "in.txt", "out.png"}
        << "lumo-render: the manifest (--ground-truth) 'lines/out13-0000.gt.txt' and the line text (--lines) "
           "'lines/out13-0000.gt.txt' are the same file";
    QTest::newRow("manifest is the PDF")
        << pages + QStringList{"--ground-truth", "out.pdf", "in.txt", "out.pdf"}
        << "lumo-render: the manifest (--ground-truth) 'out.pdf' and the PDF document 'out.pdf' are the same file";
    QTest::newRow("manifest is the PDF's box file")
        << pages + QStringList{"--boxes", "--ground-truth", "out.box", "in.txt", "out.pdf"}
        << "lumo-render: the manifest (--ground-truth) 'out.box' and the box file (--boxes) 'out.box' are the same "
           "file";
    QTest::newRow("manifest is a variant's picture")
        << pages + QStringList{"--variants", "2", "--ground-truth", "out-s2-12.png", "in.txt", "out.png"}
        << "lumo-render: the manifest (--ground-truth) 'out-s2-12.png' and the picture 'out-s2-12.png' are the "
           "same file";
    QTest::newRow("through ..")
        << pages + QStringList{"--ground-truth", "sub/../out11.png", "in.txt", "out.png"}
        << "lumo-render: the manifest (--ground-truth) 'sub/../out11.png' and the picture 'out11.png' are the "
           "same file";
    QTest::newRow("manifest through a link to a page")
        << pages + QStringList{"--ground-truth", "to-page.jsonl", "in.txt", "out.png"}
        << "lumo-render: the manifest (--ground-truth) 'to-page.jsonl' and the picture 'out12.png' are the same "
           "file";
    QTest::newRow("page that links to INPUT")
        << QStringList{"short.txt", "to-input.png"}
        << "lumo-render: INPUT 'short.txt' and the picture 'to-input.png' are the same file";
    QTest::newRow("page that is a hard link of INPUT")
        << QStringList{"short.txt", "hard.bmp"}
        << "lumo-render: INPUT 'short.txt' and the picture 'hard.bmp' are the same file";
    QTest::newRow("two pages that link to one file")
        << pages + QStringList{"in.txt", "twin.png"}
        << "lumo-render: the picture 'twin11.png' and the picture 'twin12.png' are the same file";
}

void tst_RenderGuards::outputsThatAreOneFileAreRefused()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);

    QVERIFY(WriteBytes("in.txt", ThirteenLines()));
    QVERIFY(WriteBytes("short.txt", "kurz\r\n"));
    QVERIFY(WriteBytes("s.ini", "[__StandardSetup__]\r\nHoVar=1\r\n\r\n"));
    QVERIFY(QDir().mkdir("sub"));
    QVERIFY(QFile::link("out12.png", "to-page.jsonl"));
    QVERIFY(QFile::link("short.txt", "to-input.png"));
    QVERIFY(::link("short.txt", "hard.bmp") == 0);
    QVERIFY(QFile::link("twin.png", "twin11.png"));
    QVERIFY(QFile::link("twin.png", "twin12.png"));
    const QStringList before = AllEntries(".");

    const Run r = run(arguments);
    QVERIFY(r.finished);
    QCOMPARE(QString::fromUtf8(r.err), message + Hint + u'\n');
    QCOMPARE(r.exitCode, 2);
    QCOMPARE(r.out, QByteArray());
    // Nothing written: no picture, no manifest, no link's target, and the
    // user's files as they were.
    QCOMPARE(AllEntries("."), before);
    QCOMPARE(ReadBytes("short.txt"), QByteArray("kurz\r\n"));
    QCOMPARE(ReadBytes("in.txt"), ThirteenLines());
    QCOMPARE(ReadBytes("s.ini"), QByteArray("[__StandardSetup__]\r\nHoVar=1\r\n\r\n"));
}

void tst_RenderGuards::fifosAndDevicesAreWrittenInto()
{
    QVERIFY(WriteBytes("in.txt", ThirteenLines()));
    const QStringList common{"--seed", "4", "--page", "200x100", "in.txt", "out.png"};
    Run r = run(QStringList{"--ground-truth", "m.jsonl"} + common);
    QCOMPARE(r.exitCode, 0);
    const QByteArray manifest = ReadBytes("m.jsonl");
    QCOMPARE(manifest.count('\n'), 3);

    // A FIFO takes the manifest and stays a FIFO.
    QVERIFY(::mkfifo("ff", 0600) == 0);
    QByteArray fromFifo;
    std::thread reader([&fromFifo] {
        const int fd = ::open("ff", O_RDONLY);
        if (fd >= 0) {
            fromFifo = readAll(fd);
            ::close(fd);
        }
    });
    r = run(QStringList{"--ground-truth", "ff"} + common);
    reader.join();
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(fromFifo, manifest);
    QVERIFY(isFifo("ff"));

    // Standard output takes it between the picture lines, each line whole.
    r = run(QStringList{"--ground-truth", "/dev/stdout"} + common);
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.exitCode, 0);
    QByteArray manifestLines;
    QByteArray pictureLines;
    for (const QByteArray &line : r.out.split('\n')) {
        if (!line.isEmpty())
            (line.startsWith('{') ? manifestLines : pictureLines) += line + '\n';
    }
    QCOMPARE(manifestLines, manifest);
    QCOMPARE(pictureLines, QByteArray("out11.png 200x100+0+0\nout12.png 200x100+0+100\nout13.png 200x100+0+200\n"));
    r = run(QStringList{"--quiet", "--ground-truth", "/dev/stdout"} + common);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, manifest);

    // /dev/null swallows it and stays a device; /dev/full refuses it, which
    // is a failure, not a success.
    r = run(QStringList{"--ground-truth", "/dev/null"} + common);
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.exitCode, 0);
    QVERIFY(QFileInfo("/dev/null").exists() && !QFileInfo("/dev/null").isFile());
    r = run(QStringList{"--ground-truth", "/dev/full"} + common);
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(QString::fromUtf8(r.err), CreationMessage("/dev/full", "No space left on device") + u'\n');
    QVERIFY(!QFileInfo("/dev/full").isFile());
    // Nothing hidden is left beside the FIFO.
    QCOMPARE(AllEntries(".").filter(QRegularExpression("^\\.")), QStringList());

    // Help and version that cannot be printed are failures too.
    for (const char *option : {"--help", "--version"}) {
        QProcess process;
        process.setStandardOutputFile(QStringLiteral("/dev/full"));
        process.start(QStringLiteral(LUMO_RENDER_EXE), {QString::fromLatin1(option)});
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 1);
        QVERIFY(process.readAllStandardError().startsWith("lumo-render: standard output: "));
    }
}

void tst_RenderGuards::signalsLeaveNoHiddenFiles_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("lines");
    QTest::newRow("SIGINT") << SIGINT << "SIGINT" << false;
    QTest::newRow("SIGTERM") << SIGTERM << "SIGTERM" << false;
    QTest::newRow("SIGHUP") << SIGHUP << "SIGHUP" << false;
    QTest::newRow("SIGINT with line images") << SIGINT << "SIGINT" << true;
}

void tst_RenderGuards::signalsLeaveNoHiddenFiles()
{
    QFETCH(int, signal);
    QFETCH(QString, name);
    QFETCH(bool, lines);

    QVERIFY(WriteBytes("in.txt", ManyLines(30000)));
    QStringList arguments{"--seed", "1", "--jobs", "2", "--page", "200x100", "in.txt", "out.png"};
    if (lines)
        arguments += QStringList{"--lines", "lines"};
    QProcess process;
    process.setWorkingDirectory(m_folder->path());
    process.start(QStringLiteral(LUMO_RENDER_EXE), arguments);
    QVERIFY(process.waitForStarted(30000));
    // Stopped once pictures are being written.
    QVERIFY(process.waitForReadyRead(120000));
    QVERIFY(::kill(static_cast<pid_t>(process.processId()), signal) == 0);
    QVERIFY(process.waitForFinished(120000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 128 + signal);

    // Every picture in place was reported, and the message names the one
    // after the last of them.
    const QStringList pictures = AllEntries(".").filter(QRegularExpression("^out\\d+\\.png$"));
    const QStringList reported = reportedNames(process.readAllStandardOutput());
    QVERIFY(!reported.isEmpty());
    QCOMPARE(reported.size(), pictures.size());
    for (const QString &picture : reported)
        QVERIFY2(QFileInfo(picture).isFile(), qPrintable(picture));
    const QString next = QStringLiteral("out%1.png").arg(reported.size() + 11);
    QCOMPARE(QString::fromUtf8(process.readAllStandardError()),
             QStringLiteral("lumo-render: stopped by %1 before %2\n").arg(name, next));
    QCOMPARE(AllEntries(".").filter(QRegularExpression("^\\.")), QStringList());
    if (lines) {
        QCOMPARE(AllEntries("lines").filter(QRegularExpression("^\\.")), QStringList());
        QVERIFY(!AllEntries("lines").isEmpty());
    }
}

void tst_RenderGuards::readerGoingAwayStopsTheRun()
{
    // As "lumo-render ... | head -1": the picture lines' reader stops after
    // the first line.
    QVERIFY(WriteBytes("in.txt", ManyLines(30000)));
    const int input = ::open("in.txt", O_RDONLY | O_CLOEXEC);
    QVERIFY(input >= 0);
    const DescriptorRun r = runWithInput({"--seed", "1", "--page", "200x100", "-", "out.png"}, input, [](int &out) {
        char first = 0;
        while (::read(out, &first, 1) == 1 && first != '\n') {
        }
        ::close(out);
        out = -1;
    });
    ::close(input);
    QCOMPARE(r.exitCode, 128 + SIGPIPE);
    const QStringList pictures = AllEntries(".").filter(QRegularExpression("^out\\d+\\.png$"));
    QVERIFY(!pictures.isEmpty());
    QCOMPARE(QString::fromUtf8(r.err),
             QStringLiteral("lumo-render: stopped by SIGPIPE before out%1.png\n").arg(pictures.size() + 11));
    QCOMPARE(AllEntries(".").filter(QRegularExpression("^\\.")), QStringList());
}

void tst_RenderGuards::fullDiskNamesTheFirstPageNotWritten_data()
{
    QTest::addColumn<int>("jobs");
    // Workers draw and stage pages ahead of the ones put in place; the first
    // page the disk refuses may be a later one than those still waiting.
    // With many workers their staged pages can fill the disk before the
    // first page is in place.
    QTest::newRow("1 job") << 1;
    QTest::newRow("2 jobs") << 2;
    QTest::newRow("16 jobs") << 16;
}

void tst_RenderGuards::fullDiskNamesTheFirstPageNotWritten()
{
    QFETCH(int, jobs);
    QVERIFY(WriteBytes("in.txt", ManyLines(3000)));
    const Run r = run({"--seed", "1", "--noise", "5", "--jobs", QString::number(jobs), "in.txt", "out.png"},
                      FailingDisk("LUMO_DISK_BYTES", "200000"));
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 1);
    const QStringList reported = reportedNames(r.out);
    if (jobs == 1)
        QVERIFY(reported.size() > 2);
    // The message names the page after the last one reported; every page
    // before it is in place, it and every later one are not.
    const QString next = QStringLiteral("out%1.png").arg(reported.size() + 11);
    const QString fullName = QDir(m_folder->path()).canonicalPath() + u'/' + next;
    QCOMPARE(QString::fromUtf8(r.err), CreationMessage(fullName, "No space left on device") + u'\n');
    for (int page = 0; page < reported.size(); ++page)
        QCOMPARE(reported[page], QStringLiteral("out%1.png").arg(page + 11));
    QStringList expected = reported + QStringList{"in.txt"};
    expected.sort();
    QStringList left = AllEntries(".");
    left.sort();
    QCOMPARE(left, expected);
}

void tst_RenderGuards::failedRunKeepsTheOldManifest()
{
    QVERIFY(WriteBytes("in.txt", ThirteenLines()));
    QVERIFY(WriteBytes("keep.jsonl", "earlier\n"));
    // The disk takes no picture at all: the manifest stays as it was.
    Run r = run({"--seed", "1", "--page", "200x100", "--ground-truth", "keep.jsonl", "in.txt", "out.png"},
                FailingDisk("LUMO_DISK_BYTES", "100"));
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.out, QByteArray());
    const QString fullName = QDir(m_folder->path()).canonicalPath() + QStringLiteral("/out11.png");
    QCOMPARE(QString::fromUtf8(r.err), CreationMessage(fullName, "No space left on device") + u'\n');
    QCOMPARE(ReadBytes("keep.jsonl"), QByteArray("earlier\n"));
    QCOMPARE(AllEntries("."), QStringList({"in.txt", "keep.jsonl"}));

    // A directory in the second page's place: the manifest tells of the
    // first page only.
    QVERIFY(QDir().mkdir("out12.png"));
    r = run({"--seed", "1", "--page", "200x100", "--ground-truth", "keep.jsonl", "in.txt", "out.png"});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.out, QByteArray("out11.png 200x100+0+0\n"));
    QCOMPARE(ReadBytes("keep.jsonl").count("{\"file\":\"out11.png\""), 1);
    QCOMPARE(ReadBytes("keep.jsonl").count('\n'), 1);
}

void tst_RenderGuards::bmpLargerThanItsFormatIsRefused()
{
    // 100 pt lines 177 pixels apart grow one picture 30000 pixels wide past
    // 35791 rows, where its BMP would pass 4 GiB.
    QVERIFY(WriteBytes("tall.txt", QByteArray("x\r\n").repeated(220)));
    QVERIFY(WriteBytes("huge.bmp", "an older picture"));
    const QStringList tall{"--seed", "1", "--size", "100", "--page", "30000x30000", "--one-picture", "tall.txt"};
    const Run r = run(tall + QStringList{"huge.bmp"});
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.out, QByteArray());
    const QRegularExpression message(
        "^Datei \"[^\"]*/huge\\.bmp\" kann nicht erstellt werden\\. A picture of 30000 x (\\d+) pixels is larger "
        "than a BMP file can hold \\(at most 4294967295 bytes\\)\\n$");
    const QRegularExpressionMatch match = message.match(QString::fromUtf8(r.err));
    QVERIFY2(match.hasMatch(), r.err.constData());
    QVERIFY(match.captured(1).toLongLong() * 30000 * 4 + 54 > 4294967295LL);
    QCOMPARE(ReadBytes("huge.bmp"), QByteArray("an older picture"));
    QCOMPARE(AllEntries("."), QStringList({"huge.bmp", "tall.txt"}));
}

void tst_RenderGuards::nonBlockingStandardInputIsWaitedFor()
{
    int pipeEnds[2];
    QVERIFY(::pipe2(pipeEnds, O_CLOEXEC) == 0);
    QVERIFY(::fcntl(pipeEnds[0], F_SETFL, ::fcntl(pipeEnds[0], F_GETFL) | O_NONBLOCK) == 0);
    // The text comes a while after the program started reading.
    const DescriptorRun r = runWithInput({"--page", "200x100", "-"}, pipeEnds[0], [&pipeEnds](int &) {
        ::close(pipeEnds[0]);
        ::usleep(300 * 1000);
        const QByteArray text = ThirteenLines();
        QVERIFY(::write(pipeEnds[1], text.constData(), static_cast<size_t>(text.size())) == text.size());
        ::close(pipeEnds[1]);
    });
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QByteArray("- 200x100+0+0\n- 200x100+0+100\n- 200x100+0+200\n"));
}

void tst_RenderGuards::closedStandardInputIsAnError()
{
    const DescriptorRun r = runWithInput({"-", "out.png"}, -1, [](int &) {});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(QString::fromUtf8(r.err), OpenMessage("/dev/stdin", "Standard input is closed") + u'\n');
    QCOMPARE(r.out, QByteArray());
    QCOMPARE(AllEntries("."), QStringList());
}

void tst_RenderGuards::fileSizeLimitKeepsTheTextInMemory()
{
    // A text over a megabyte is spooled to a temporary file, which the size
    // limit (ulimit -f) stops half way: the text comes back into memory and
    // the pages are those of a run without the limit. The signal the limit
    // sends must not end the run.
    QByteArray text;
    for (int line = 0; text.size() < (1200 << 10); ++line)
        text += "Zeile " + QByteArray::number(line) + " mit Text, der die Seite bis zum Rand fuellt und bricht\n";
    QVERIFY(WriteBytes("in.txt", text));
    QVERIFY(QDir().mkpath("free") && QDir().mkpath("limited"));
    const QStringList arguments{"--seed", "3", "--jitter-x", "2", "--page", "600x600", "../in.txt", "p.png"};
    const auto render = [&arguments](const QString &folder, bool limited) {
        QProcess process;
        process.setWorkingDirectory(folder);
        if (limited) {
            process.setChildProcessModifier([] {
                const rlimit limit{512 << 10, 512 << 10};
                ::setrlimit(RLIMIT_FSIZE, &limit);
            });
        }
        process.start(QStringLiteral(LUMO_RENDER_EXE), arguments);
        process.waitForFinished(120000);
        return std::pair(process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                         process.readAllStandardError());
    };
    QCOMPARE(render("free", false), std::pair(0, QByteArray()));
    QCOMPARE(render("limited", true), std::pair(0, QByteArray()));
    const QStringList pages = AllEntries("free");
    QVERIFY(pages.size() > 50);
    QCOMPARE(AllEntries("limited"), pages);
    for (const QString &page : pages)
        QVERIFY2(ReadBytes("free/" + page) == ReadBytes("limited/" + page), qPrintable(page));
}

QTEST_MAIN(tst_RenderGuards)
#include "tst_renderguards.moc"
