// lumo-render writing tar shards: each sample's files under one key, the
// same bytes as the files of a plain run, shards that never collide across
// seed ranges, and only whole shards left by a full disk or a signal.

#include "ErrorMessage.h"
#include "RenderRun.h"
#include "ShardReading.h"
#include "TestFiles.h"
#include "WorkingFolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>
#include <csignal>
#include <optional>
#include <vector>

namespace {

using Member = ShardMember;

// The members of the shards in the folder, shard after shard.
std::vector<Member> membersOf(const QString &folder, const QString &pattern = QStringLiteral("*.tar"))
{
    std::vector<Member> all;
    for (const QString &shard : QDir(folder).entryList({pattern}, QDir::Files, QDir::Name)) {
        const std::optional<std::vector<Member>> members = ReadShard(QDir(folder).filePath(shard));
        if (!members)
            return {{QStringLiteral("broken shard"), shard.toUtf8()}};
        all.insert(all.end(), members->begin(), members->end());
    }
    return all;
}

QStringList namesOf(const std::vector<Member> &members)
{
    QStringList names;
    for (const Member &member : members)
        names.append(member.name);
    return names;
}

// A sample's key: its member's name up to the first ".".
QString keyOf(const QString &name)
{
    return name.left(name.indexOf(u'.'));
}

QStringList reportedShards(const QByteArray &out)
{
    QStringList shards;
    for (const QByteArray &line : out.split('\n')) {
        if (!line.isEmpty())
            shards.append(QString::fromUtf8(line.left(line.indexOf(' '))));
    }
    return shards;
}

} // namespace

class tst_RenderShards : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void samplesHoldThePlainRunsFiles();
    void linesAreSamplesOfTheirOwn();
    void samplePicturesTakeTheChosenFormat_data();
    void samplePicturesTakeTheChosenFormat();
    void namesAreUtf8UnderAnyLocale();
    void seedRangesNeverShareAShard();
    void shardThatIsInputIsRefused();
    void fullDiskLeavesOnlyWholeShards_data();
    void fullDiskLeavesOnlyWholeShards();
    void signalLeavesOnlyWholeShards();

private:
    Run run(const QStringList &arguments, const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
    {
        return RunRender(QDir::currentPath(), arguments, QByteArray(), environment);
    }

    std::optional<WorkingFolder> m_folder;
};

void tst_RenderShards::init()
{
    m_folder.emplace();
    QVERIFY(m_folder->isValid());
}

void tst_RenderShards::cleanup()
{
    m_folder.reset();
}

void tst_RenderShards::samplesHoldThePlainRunsFiles()
{
    QVERIFY(WriteBytes("in.txt", ThirteenLines()));
    QVERIFY(QDir().mkdir("files"));
    QVERIFY(QDir().mkdir("tar"));
    const QStringList common{"--seed-range", "5:2", "--page", "200x100", "--noise", "3", "--boxes"};
    const Run plain = RunRender("files", common + QStringList{"--ground-truth", "m.jsonl", "../in.txt", "out.png"});
    QCOMPARE(plain.exitCode, 0);
    const Run sharded = RunRender("tar", common + QStringList{"--shard-size", "4", "--jobs", "3", "--ground-truth",
                                                              "m.jsonl", "../in.txt", "out.tar"});
    QCOMPARE(sharded.exitCode, 0);
    QCOMPARE(sharded.err, QByteArray());

    // 2 seeds of 3 pages: 6 samples in shards of 4, named after the first seed.
    QCOMPARE(AllEntries("tar"), QStringList({"m.jsonl", "out-s5-000000.tar", "out-s5-000001.tar"}));
    QCOMPARE(sharded.out, QByteArray("out-s5-000000.tar 200x100+0+0\nout-s5-000000.tar 200x100+0+100\n"
                                     "out-s5-000000.tar 200x100+0+200\nout-s5-000000.tar 200x100+0+0\n"
                                     "out-s5-000001.tar 200x100+0+100\nout-s5-000001.tar 200x100+0+200\n"));
    // The manifest is the plain run's, and each sample's .json its line.
    const QByteArray manifest = ReadBytes("tar/m.jsonl");
    QCOMPARE(manifest, ReadBytes("files/m.jsonl"));
    const QList<QByteArray> lines = manifest.split('\n');

    std::vector<Member> expected;
    int page = 0;
    for (const QString seed : {"5", "6"}) {
        for (const QString number : {"11", "12", "13"}) {
            const QString key = QStringLiteral("out-s%1-%2").arg(seed, number);
            expected.push_back({key + ".png", ReadBytes("files/" + key + ".png")});
            expected.push_back({key + ".json", lines[page++] + '\n'});
            expected.push_back({key + ".box", ReadBytes("files/" + key + ".box")});
        }
    }
    const std::vector<Member> members = membersOf("tar");
    QCOMPARE(namesOf(members), namesOf(expected));
    QVERIFY(members == expected);
    QCOMPARE(ReadShard("tar/out-s5-000000.tar")->size(), std::size_t(12));

    // Python's tarfile, which training data loaders build on, reads the
    // same members with the same bytes.
    QProcess python;
    python.setWorkingDirectory("tar");
    python.start("python3", {"-c", "import hashlib, sys, tarfile\n"
                                   "for shard in sys.argv[1:]:\n"
                                   "    with tarfile.open(shard) as t:\n"
                                   "        for m in t:\n"
                                   "            print(m.name, hashlib.sha256(t.extractfile(m).read()).hexdigest())\n",
                             "out-s5-000000.tar", "out-s5-000001.tar"});
    QVERIFY2(python.waitForFinished(60000), "python3 (a test package) did not run");
    QCOMPARE(python.exitCode(), 0);
    QByteArray listed;
    for (const Member &member : expected)
        listed += member.name.toUtf8() + ' ' + QCryptographicHash::hash(member.bytes, QCryptographicHash::Sha256).toHex() + '\n';
    QCOMPARE(python.readAllStandardOutput(), listed);
}

void tst_RenderShards::linesAreSamplesOfTheirOwn()
{
    QVERIFY(WriteBytes("in.txt", ThirteenLines()));
    QVERIFY(QDir().mkdir("files"));
    QVERIFY(QDir().mkdir("tar"));
    const QStringList common{"--seed", "2", "--page", "200x100", "--lines", "lines", "../in.txt"};
    QCOMPARE(RunRender("files", common + QStringList{"out.png"}).exitCode, 0);
    QCOMPARE(RunRender("tar", common + QStringList{"--shard-size", "5", "out.tar"}).exitCode, 0);

    // Each picture, then each of its lines as a sample: 3 pictures and 13
    // lines in shards of 5; the lines folder is not made.
    QCOMPARE(AllEntries("tar"), QStringList({"out-000000.tar", "out-000001.tar", "out-000002.tar", "out-000003.tar"}));
    std::vector<Member> expected;
    int line = 0;
    for (int picture = 11; picture <= 13; ++picture) {
        const QString key = QStringLiteral("out%1").arg(picture);
        expected.push_back({key + ".png", ReadBytes("files/" + key + ".png")});
        for (int ofPage = 0; ofPage < (picture == 13 ? 1 : 6); ++ofPage, ++line) {
            const QString lineKey = key + QStringLiteral("-%1").arg(ofPage, 4, 10, QLatin1Char('0'));
            expected.push_back({lineKey + ".png", ReadBytes("files/lines/" + lineKey + ".png")});
            expected.push_back({lineKey + ".gt.txt", ReadBytes("files/lines/" + lineKey + ".gt.txt")});
        }
    }
    QCOMPARE(line, 13);
    const std::vector<Member> members = membersOf("tar");
    QCOMPARE(namesOf(members), namesOf(expected));
    QVERIFY(members == expected);
    // A sample never spans two shards: in each, a line's key has both its files.
    for (const QString &shard : AllEntries("tar")) {
        QHash<QString, int> files;
        for (const QString &name : namesOf(*ReadShard("tar/" + shard)))
            ++files[keyOf(name)];
        for (auto file = files.cbegin(); file != files.cend(); ++file)
            QCOMPARE(file.value(), file.key().contains(u'-') ? 2 : 1);
    }
}

void tst_RenderShards::samplePicturesTakeTheChosenFormat_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("extension");
    QTest::newRow("jpg") << "jpg" << ".jpg";
    QTest::newRow("bmp") << "bmp" << ".bmp";
}

void tst_RenderShards::samplePicturesTakeTheChosenFormat()
{
    QFETCH(QString, format);
    QFETCH(QString, extension);
    QVERIFY(WriteBytes("in.txt", ThirteenLines()));
    QVERIFY(QDir().mkdir("files"));
    const QStringList common{"--seed", "3", "--page", "200x100", "--overlay", "--noise", "4"};
    QCOMPARE(RunRender("files", common + QStringList{"../in.txt", "out" + extension}).exitCode, 0);
    QCOMPARE(run(common + QStringList{"--format", format, "in.txt", "OUT.TAR"}).exitCode, 0);

    std::vector<Member> expected;
    for (const QString number : {"11", "12", "13"}) {
        expected.push_back({"OUT" + number + extension, ReadBytes("files/out" + number + extension)});
        expected.push_back({"OUT" + number + ".overlay" + extension,
                            ReadBytes("files/out" + number + "-overlay" + extension)});
    }
    QVERIFY(membersOf(".") == expected);
}

void tst_RenderShards::namesAreUtf8UnderAnyLocale()
{
    // Under the C locale the archive library could not spell "ö" and fell
    // over; every locale must give the same bytes.
    QVERIFY(WriteBytes("in.txt", "Hallo\r\n"));
    QByteArray shards[2];
    const char *locales[2] = {"C", "C.UTF-8"};
    for (int i = 0; i < 2; ++i) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("LC_ALL", locales[i]);
        const Run r = RunRender(QDir::currentPath(), {"--seed", "1", "in.txt", QString::fromUtf8("b\u00f6gen.tar")},
                                QByteArray(), environment);
        QVERIFY2(r.finished, locales[i]);
        QCOMPARE(r.exitCode, 0);
        const QString shard = QString::fromUtf8("b\u00f6gen-000000.tar");
        QCOMPARE(namesOf(*ReadShard(shard)), QStringList({QString::fromUtf8("b\u00f6gen.png")}));
        shards[i] = ReadBytes(shard);
        QVERIFY(QFile::remove(shard));
    }
    QCOMPARE(shards[0], shards[1]);

    // A name with a combining mark (as some systems spell file names) is
    // stored as given, not composed, so the member is the name the manifest
    // and the report give.
    const QString decomposed = QString::fromUtf8("bo\u0308gen");
    QCOMPARE(run({"--seed", "1", "in.txt", decomposed + ".tar"}).exitCode, 0);
    const QByteArray shard = ReadBytes(decomposed + "-000000.tar");
    QVERIFY(shard.contains((decomposed + ".png").toUtf8()));
    QVERIFY(!shard.contains(QString::fromUtf8("b\u00f6gen.png").toUtf8()));
}

void tst_RenderShards::seedRangesNeverShareAShard()
{
    QVERIFY(WriteBytes("in.txt", ThirteenLines()));
    QVERIFY(QDir().mkdir("split"));
    QVERIFY(QDir().mkdir("whole"));
    const QStringList common{"--page", "200x100", "--boxes", "--shard-size", "4", "../in.txt", "out.tar"};
    QCOMPARE(RunRender("split", QStringList{"--seed-range", "0:2", "--ground-truth", "a.jsonl"} + common).exitCode, 0);
    QCOMPARE(RunRender("split", QStringList{"--seed-range", "2:3", "--ground-truth", "b.jsonl"} + common).exitCode, 0);
    QCOMPARE(RunRender("whole", QStringList{"--seed-range", "0:5", "--ground-truth", "m.jsonl"} + common).exitCode, 0);

    // Two ranges into one folder: each run's shards beside the other's.
    QCOMPARE(AllEntries("split"), QStringList({"a.jsonl", "b.jsonl", "out-s0-000000.tar", "out-s0-000001.tar",
                                               "out-s2-000000.tar", "out-s2-000001.tar", "out-s2-000002.tar"}));
    // Together they hold the samples of one run over both ranges, in order.
    std::vector<Member> split = membersOf("split", "out-s0-*.tar");
    const std::vector<Member> second = membersOf("split", "out-s2-*.tar");
    split.insert(split.end(), second.begin(), second.end());
    const std::vector<Member> whole = membersOf("whole");
    QCOMPARE(whole.size(), std::size_t(5 * 3 * 3));
    QCOMPARE(namesOf(split), namesOf(whole));
    QVERIFY(split == whole);
    QCOMPARE(ReadBytes("split/a.jsonl") + ReadBytes("split/b.jsonl"), ReadBytes("whole/m.jsonl"));
    // Each sample's members follow each other under one key.
    QStringList keys;
    for (const Member &member : whole) {
        if (keys.isEmpty() || keys.last() != keyOf(member.name))
            keys.append(keyOf(member.name));
    }
    QCOMPARE(keys.size(), 15);
    QCOMPARE(QSet<QString>(keys.begin(), keys.end()).size(), 15);
}

void tst_RenderShards::shardThatIsInputIsRefused()
{
    QVERIFY(WriteBytes("out-000000.tar", ThirteenLines()));
    const Run r = run({"--seed", "1", "out-000000.tar", "out.tar"});
    QCOMPARE(r.exitCode, 2);
    QCOMPARE(QString::fromUtf8(r.err), QStringLiteral("lumo-render: INPUT 'out-000000.tar' and the shard "
                                                      "'out-000000.tar' are the same file (see lumo-render --help)\n"));
    QCOMPARE(ReadBytes("out-000000.tar"), ThirteenLines());
}

void tst_RenderShards::fullDiskLeavesOnlyWholeShards_data()
{
    QTest::addColumn<int>("jobs");
    QTest::newRow("1 job") << 1;
    QTest::newRow("3 jobs") << 3;
}

void tst_RenderShards::fullDiskLeavesOnlyWholeShards()
{
    QFETCH(int, jobs);
    QVERIFY(WriteBytes("in.txt", ManyLines(3000)));
    const Run r = run({"--seed", "1", "--noise", "5", "--jobs", QString::number(jobs), "--shard-size", "10", "in.txt",
                       "out.tar"},
                      FailingDisk("LUMO_DISK_BYTES", "600000"));
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 1);
    // Whole shards of 10 pictures each were reported, and the message
    // names the shard after the last of them.
    const QStringList reported = reportedShards(r.out);
    QVERIFY(reported.size() >= 10);
    QCOMPARE(reported.size() % 10, 0);
    const qsizetype finished = reported.size() / 10;
    for (qsizetype picture = 0; picture < reported.size(); ++picture)
        QCOMPARE(reported[picture], QStringLiteral("out-%1.tar").arg(picture / 10, 6, 10, QLatin1Char('0')));
    const QString next = QStringLiteral("out-%1.tar").arg(finished, 6, 10, QLatin1Char('0'));
    const QString fullName = QDir(m_folder->path()).canonicalPath() + u'/' + next;
    QCOMPARE(QString::fromUtf8(r.err), CreationMessage(fullName, "No space left on device") + u'\n');
    // Nothing else is left, and every shard left is whole.
    QStringList expected = QSet<QString>(reported.begin(), reported.end()).values() + QStringList{"in.txt"};
    expected.sort();
    QCOMPARE(AllEntries("."), expected);
    for (qsizetype shard = 0; shard < finished; ++shard) {
        const std::optional<std::vector<Member>> members = ReadShard(reported[shard * 10]);
        QVERIFY(members);
        QCOMPARE(members->size(), std::size_t(10));
    }
}

void tst_RenderShards::signalLeavesOnlyWholeShards()
{
    QVERIFY(WriteBytes("in.txt", ManyLines(30000)));
    QProcess process;
    process.start(QStringLiteral(LUMO_RENDER_EXE), {"--seed", "1", "--page", "200x100", "--shard-size", "50",
                                                     "--ground-truth", "m.jsonl", "in.txt", "out.tar"});
    QVERIFY(process.waitForStarted(30000));
    // Stopped once the first shard is in place.
    QVERIFY(process.waitForReadyRead(120000));
    QVERIFY(::kill(static_cast<pid_t>(process.processId()), SIGINT) == 0);
    QVERIFY(process.waitForFinished(120000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 128 + SIGINT);

    const QStringList reported = reportedShards(process.readAllStandardOutput());
    QCOMPARE(reported.size() % 50, 0);
    const qsizetype finished = reported.size() / 50;
    QVERIFY(finished >= 1);
    const QString next = QStringLiteral("out-%1.tar").arg(finished, 6, 10, QLatin1Char('0'));
    QCOMPARE(QString::fromUtf8(process.readAllStandardError()),
             QStringLiteral("lumo-render: stopped by SIGINT before out%1.png in %2, which is not written\n")
                 .arg(reported.size() + 11)
                 .arg(next));
    QStringList shards = AllEntries(".").filter(QRegularExpression("\\.tar$"));
    QCOMPARE(shards.size(), finished);
    QCOMPARE(AllEntries(".").filter(QRegularExpression("^\\.")), QStringList());
    // The manifest tells of the pictures in the shards, no more.
    const QByteArray manifest = ReadBytes("m.jsonl");
    QCOMPARE(manifest.count('\n'), reported.size());
    QVERIFY(manifest.endsWith("}\n"));
    const QByteArray last = manifest.split('\n').at(reported.size() - 1);
    QVERIFY(last.contains(QStringLiteral("\"out%1.png\"").arg(reported.size() + 10).toUtf8()));
    QCOMPARE(ReadShard(shards.last())->back().name, QStringLiteral("out%1.json").arg(reported.size() + 10));
}

QTEST_GUILESS_MAIN(tst_RenderShards)
#include "tst_rendershards.moc"
