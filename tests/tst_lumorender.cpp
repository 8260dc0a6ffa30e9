// lumo-render end to end: the built program is started with QProcess in a
// fresh temporary folder, and what it prints and writes is checked.

#include "ChildRun.h"
#include "RenderRun.h"
#include "TestFiles.h"
#include "WorkingFolder.h"

#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>
#include <optional>

namespace {

const QString Hint = QStringLiteral(" (see lumo-render --help)");

} // namespace

class tst_LumoRender : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void pagesAreNumberedFrom11();
    void singlePictureKeepsTheName();
    void onePictureGrowsDownward();
    void withoutOutputNothingIsWritten();
    void quietPrintsNoLines();
    void usageErrors_data();
    void usageErrors();
    void setupErrorIsReportedUnchanged();
    void missingFolderGivesTheCreationMessage();
    void sameSeedSamePictures();
    void saveSetupWritesTheSection();
    void saveSetupStartsFromTheNamedSetup();
    void listAndDeleteSetups();
    void setupNamesAreEightBit();
    void standardInputReadsLikeAFile();
    void nulEndsTheStandardInput();
    void pdfHasOnePageEachPicture();
    void pdfPagesArePngPixels_data();
    void pdfPagesArePngPixels();
    void runsWithoutADisplay();
    void picturesWrittenBeforeAFailureAreReported();
    void failingDiskKeepsWhatWasSettled_data();
    void failingDiskKeepsWhatWasSettled();
    void unwritableStandardOutputFails();
    void helpNamesEveryOption();
    void jobsGiveIdenticalFiles_data();
    void jobsGiveIdenticalFiles();
    void fullDiskKeepsTheOldFile_data();
    void fullDiskKeepsTheOldFile();
    void pdfPageTooLargeRefused();
    void groundTruthOfAThreeLineText();
    void lineImagesAndTheirTexts();
    void variantsDifferOnlyBySeed();
    void seedRangesSplitTheWork();
    void groundTruthWithEveryOutput_data();
    void groundTruthWithEveryOutput();
    void groundTruthAloneKeepsMemoryBounded();
    void tesseractReadsTheLinesAndTakesTheBoxes();

private:
    Run run(const QStringList &arguments, const QByteArray &input = QByteArray(),
            const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());
    QStringList entries();

    std::optional<WorkingFolder> m_folder;
};

void tst_LumoRender::init()
{
    m_folder.emplace();
    QVERIFY(m_folder->isValid());
}

void tst_LumoRender::cleanup()
{
    m_folder.reset();
}

Run tst_LumoRender::run(const QStringList &arguments, const QByteArray &input,
                        const QProcessEnvironment &environment)
{
    return RunRender(m_folder->path(), arguments, input, environment);
}

QStringList tst_LumoRender::entries()
{
    return QDir(m_folder->path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}

void tst_LumoRender::pagesAreNumberedFrom11()
{
    QVERIFY(WriteBytes("in.txt", ThirteenLines()));
    const Run r = run({"--page", "200x100", "in.txt", "out.png"});
    QVERIFY(r.finished);
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QByteArray("out11.png 200x100+0+0\n"
                               "out12.png 200x100+0+100\n"
                               "out13.png 200x100+0+200\n"));
    QCOMPARE(entries(), QStringList({"in.txt", "out11.png", "out12.png", "out13.png"}));
    for (const char *name : {"out11.png", "out12.png", "out13.png"}) {
        const QImage page(name);
        QCOMPARE(page.size(), QSize(200, 100));
    }
}

void tst_LumoRender::singlePictureKeepsTheName()
{
    QVERIFY(WriteBytes("in.txt", "kurz\r\n"));
    const Run r = run({"in.txt", "out.bmp"});
    QVERIFY(r.finished);
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QByteArray("out.bmp 308x400+0+0\n"));
    QCOMPARE(entries(), QStringList({"in.txt", "out.bmp"}));
    QCOMPARE(QImage("out.bmp").size(), QSize(308, 400));
}

void tst_LumoRender::onePictureGrowsDownward()
{
    // From the seventh line on (y = 89) the 100 pixel picture grows by 11
    // before a character whose line is lower than Height - 14; the tenth
    // line needs two steps, the others one: 100 + 8 x 11.
    QVERIFY(WriteBytes("in.txt", ThirteenLines()));
    const Run r = run({"--one-picture", "--page", "200x100", "in.txt", "out.bmp"});
    QVERIFY(r.finished);
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QByteArray("out.bmp 200x188+0+0\n"));
    QCOMPARE(QImage("out.bmp").size(), QSize(200, 188));
    QCOMPARE(entries(), QStringList({"in.txt", "out.bmp"}));
}

void tst_LumoRender::withoutOutputNothingIsWritten()
{
    QVERIFY(WriteBytes("in.txt", ThirteenLines()));
    const Run r = run({"--page", "200x100", "in.txt"});
    QVERIFY(r.finished);
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QByteArray("- 200x100+0+0\n"
                               "- 200x100+0+100\n"
                               "- 200x100+0+200\n"));
    QCOMPARE(entries(), QStringList({"in.txt"}));
}

void tst_LumoRender::quietPrintsNoLines()
{
    QVERIFY(WriteBytes("in.txt", ThirteenLines()));
    const Run r = run({"--quiet", "--page", "200x100", "in.txt", "out.jpg"});
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QByteArray());
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(entries(), QStringList({"in.txt", "out11.jpg", "out12.jpg", "out13.jpg"}));
}

void tst_LumoRender::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    QTest::newRow("unknown option") << QStringList{"--bogus", "in.txt", "out.bmp"}
                                    << "lumo-render: --bogus: unknown option" + Hint;
    QTest::newRow("unknown option before a missing input")
        << QStringList{"nothere.txt", "out.bmp", "--bogus"} << "lumo-render: --bogus: unknown option" + Hint;
    QTest::newRow("--noise -1") << QStringList{"--noise", "-1", "in.txt", "out.bmp"}
                                << "lumo-render: --noise: must not be negative: '-1'" + Hint;
    QTest::newRow("--noise x") << QStringList{"--noise", "x", "in.txt", "out.bmp"}
                               << "lumo-render: --noise: not a number: 'x'" + Hint;
    QTest::newRow("--noise 0x10") << QStringList{"--noise", "0x10", "in.txt", "out.bmp"}
                                  << "lumo-render: --noise: not a number: '0x10'" + Hint;
    QTest::newRow("--noise 2147483648") << QStringList{"--noise", "2147483648", "in.txt", "out.bmp"}
                                        << "lumo-render: --noise: out of range 0..2147483647: '2147483648'" + Hint;
    QTest::newRow("--jitter-x -1") << QStringList{"--jitter-x", "-1", "in.txt", "out.bmp"}
                                   << "lumo-render: --jitter-x: must not be negative: '-1'" + Hint;
    QTest::newRow("--jitter-y=-5") << QStringList{"--jitter-y=-5", "in.txt", "out.bmp"}
                                   << "lumo-render: --jitter-y: must not be negative: '-5'" + Hint;
    QTest::newRow("--page 300") << QStringList{"--page", "300", "in.txt", "out.bmp"}
                                << "lumo-render: --page: not WIDTHxHEIGHT: '300'" + Hint;
    QTest::newRow("--page -5x10") << QStringList{"--page", "-5x10", "in.txt", "out.bmp"}
                                  << "lumo-render: --page: not WIDTHxHEIGHT: '-5x10'" + Hint;
    QTest::newRow("--page 0x10") << QStringList{"--page", "0x10", "in.txt", "out.bmp"}
                                 << "lumo-render: --page: out of range 1..30000: '0x10'" + Hint;
    QTest::newRow("--page 10x30001") << QStringList{"--page", "10x30001", "in.txt", "out.bmp"}
                                     << "lumo-render: --page: out of range 1..30000: '10x30001'" + Hint;
    QTest::newRow("colour name unknown") << QStringList{"--color", "nocolour", "in.txt", "out.bmp"}
                                         << "lumo-render: --color: not a colour: 'nocolour'" + Hint;
    QTest::newRow("colour #RGB") << QStringList{"--background", "#fff", "in.txt", "out.bmp"}
                                 << "lumo-render: --background: not a colour: '#fff'" + Hint;
    QTest::newRow("colour not hex") << QStringList{"--background", "#ff00gg", "in.txt", "out.bmp"}
                                    << "lumo-render: --background: not a colour: '#ff00gg'" + Hint;
    QTest::newRow("missing value") << QStringList{"in.txt", "out.bmp", "--noise"}
                                   << "lumo-render: --noise: missing value" + Hint;
    QTest::newRow("seed 4294967296") << QStringList{"--seed", "4294967296", "in.txt", "out.bmp"}
                                     << "lumo-render: --seed: out of range 0..4294967295: '4294967296'" + Hint;
    QTest::newRow("boxes without OUTPUT")
        << QStringList{"--boxes", "in.txt"}
        << "lumo-render: --boxes: the box files go beside the pictures: give an OUTPUT" + Hint;
    QTest::newRow("overlay without OUTPUT")
        << QStringList{"--overlay", "in.txt"}
        << "lumo-render: --overlay: the outlined copies go beside the pictures: give an OUTPUT" + Hint;
    QTest::newRow("lines into a file") << QStringList{"--lines", "in.txt", "in.txt", "out.png"}
                                       << "lumo-render: --lines: not a folder: 'in.txt'" + Hint;
    QTest::newRow("manifest into a folder") << QStringList{"--ground-truth", ".", "in.txt"}
                                            << "lumo-render: --ground-truth: not a file name: '.'" + Hint;
    QTest::newRow("variants 0") << QStringList{"--variants", "0", "in.txt", "out.png"}
                                << "lumo-render: --variants: out of range 1..100000: '0'" + Hint;
    QTest::newRow("--format for pictures") << QStringList{"--format", "png", "in.txt", "out.png"}
                                           << "lumo-render: --format: chooses the pictures' format in a .tar "
                                              "OUTPUT; other OUTPUTs are named with their format" + Hint;
    QTest::newRow("--format gif") << QStringList{"--format", "gif", "in.txt", "out.tar"}
                                  << "lumo-render: --format: not png, jpg or bmp: 'gif'" + Hint;
    QTest::newRow("--shard-size for a PDF") << QStringList{"--shard-size", "10", "in.txt", "out.pdf"}
                                            << "lumo-render: --shard-size: needs a .tar OUTPUT" + Hint;
    QTest::newRow("--shard-size 0") << QStringList{"--shard-size", "0", "in.txt", "out.tar"}
                                    << "lumo-render: --shard-size: out of range 1..1000000: '0'" + Hint;
    QTest::newRow("seed range without colon") << QStringList{"--seed-range", "7", "in.txt", "out.png"}
                                              << "lumo-render: --seed-range: not FIRST:COUNT: '7'" + Hint;
    QTest::newRow("seed range of none") << QStringList{"--seed-range", "7:0", "in.txt", "out.png"}
                                        << "lumo-render: --seed-range: out of range 1..100000: '0'" + Hint;
    QTest::newRow("seed range past the last seed")
        << QStringList{"--seed-range", "4294967295:2", "in.txt", "out.png"}
        << "lumo-render: --seed-range: the range ends past the last seed, 4294967295: '4294967295:2'" + Hint;
    QTest::newRow("ground truth without INPUT") << QStringList{"--ground-truth", "m.jsonl", "--list-setups"}
                                                << "lumo-render: the ground truth options need an INPUT" + Hint;
    QTest::newRow("jobs 0") << QStringList{"--jobs", "0", "in.txt", "out.bmp"}
                            << "lumo-render: --jobs: out of range 1..256: '0'" + Hint;
    QTest::newRow("seed -1") << QStringList{"--seed", "-1", "in.txt", "out.bmp"}
                             << "lumo-render: --seed: must not be negative: '-1'" + Hint;
    QTest::newRow("charset 256") << QStringList{"--charset", "256", "in.txt", "out.bmp"}
                                 << "lumo-render: --charset: out of range 0..255: '256'" + Hint;
    QTest::newRow("size 1001") << QStringList{"--size", "1001", "in.txt", "out.bmp"}
                               << "lumo-render: --size: out of range 0..1000: '1001'" + Hint;
    QTest::newRow("style lower case") << QStringList{"--style", "Bi", "in.txt", "out.bmp"}
                                      << "lumo-render: --style: not a style letter (B, I, U, S): 'i'" + Hint;
    QTest::newRow("flag with a value") << QStringList{"--quiet=yes", "in.txt", "out.bmp"}
                                       << "lumo-render: --quiet: takes no value" + Hint;
    QTest::newRow("too many arguments") << QStringList{"in.txt", "out.bmp", "extra"}
                                        << "lumo-render: too many arguments: 'extra'" + Hint;
    QTest::newRow("unknown extension") << QStringList{"in.txt", "out.gif"}
                                       << "lumo-render: OUTPUT: not a .jpg, .jpeg, .bmp, .png, .pdf or .tar file: 'out.gif'"
                                              + Hint;
    QTest::newRow("no extension") << QStringList{"in.txt", "out"}
                                  << "lumo-render: OUTPUT: not a .jpg, .jpeg, .bmp, .png, .pdf or .tar file: 'out'" + Hint;
    QTest::newRow("nothing to do") << QStringList{} << "lumo-render: no INPUT given" + Hint;
    QTest::newRow("setup name planting a section")
        << QStringList{"--save-setup", "Evil]\r\n[__SetupProgamPositions__]\r\nWinEditLeft=-30000\r\n[x"}
        << "lumo-render: --save-setup: must not contain a line break or NUL: "
           "'Evil]\\r\\n[__SetupProgamPositions__]\\r\\nWinEditLeft=-30000\\r\\n[x'" + Hint;
    QTest::newRow("font name planting a key")
        << QStringList{"--font", "Arial\r\nHoVar=99999", "--save-setup", "Plain"}
        << "lumo-render: --font: must not contain a line break or NUL: 'Arial\\r\\nHoVar=99999'" + Hint;
    QTest::newRow("setup name with LF") << QStringList{"--setup", "a\nb", "in.txt"}
                                        << "lumo-render: --setup: must not contain a line break or NUL: 'a\\nb'" + Hint;
    QTest::newRow("deleted name with CR") << QStringList{"--delete-setup", "a\rb"}
                                          << "lumo-render: --delete-setup: must not contain a line break or NUL: "
                                             "'a\\rb'" + Hint;
    // The settings file is Windows-1252: "日本" and "中文" would both be "[??]".
    QTest::newRow("setup name outside the code page")
        << QStringList{"--save-setup", QString::fromUtf8("\xe6\x97\xa5\xe6\x9c\xac"), "--size", "33"}
        << QString::fromUtf8("lumo-render: --save-setup: has characters the settings file (Windows-1252) cannot "
                             "store: '\xe6\x97\xa5\xe6\x9c\xac'") + Hint;
    QTest::newRow("setup to load outside the code page")
        << QStringList{"--setup", QString::fromUtf8("\xe4\xb8\xad\xe6\x96\x87"), "in.txt"}
        << QString::fromUtf8("lumo-render: --setup: has characters the settings file (Windows-1252) cannot store: "
                             "'\xe4\xb8\xad\xe6\x96\x87'") + Hint;
    QTest::newRow("setup to delete outside the code page")
        << QStringList{"--delete-setup", QString::fromUtf8("\xd0\xb0")}
        << QString::fromUtf8("lumo-render: --delete-setup: has characters the settings file (Windows-1252) cannot "
                             "store: '\xd0\xb0'") + Hint;
    QTest::newRow("saved font outside the code page")
        << QStringList{"--font", QString::fromUtf8("\xe6\x97\xa5"), "--save-setup", "x"}
        << QString::fromUtf8("lumo-render: --font: has characters the settings file (Windows-1252) cannot store: "
                             "'\xe6\x97\xa5'") + Hint;
    QTest::newRow("OUTPUT with a line break") << QStringList{"in.txt", "a\nb.png"}
                                              << "lumo-render: OUTPUT: must not contain a control character: "
                                                 "'a\\nb.png'" + Hint;
    QTest::newRow("OUTPUT with a tab") << QStringList{"in.txt", "a\tb.png"}
                                       << "lumo-render: OUTPUT: must not contain a control character: 'a\tb.png'"
                                              + Hint;
    // ((308 x 400) div 30) div 2 = 2053 pixels a level: 1046022 levels fit
    // in the 32-bit count, one more wraps.
    QTest::newRow("noise whose count wraps")
        << QStringList{"--noise", "1046023", "in.txt"}
        << "lumo-render: --noise: too high for a picture of 308x400 (at most 1046022): '1046023'" + Hint;
    // 30000 x 10 takes 429496 levels; grown to 30000 x 197 by its lines, 21801.
    QTest::newRow("noise too high for a grown picture")
        << QStringList{"--noise", "30000", "--one-picture", "--page", "30000x10", "in.txt"}
        << "lumo-render: --noise: too high for a picture of 30000x197 (at most 21801): '30000'" + Hint;
    QTest::newRow("bad value after --save-setup")
        << QStringList{"--save-setup", "Neu", "--noise", "x"} << "lumo-render: --noise: not a number: 'x'" + Hint;
    QTest::newRow("bad value after --delete-setup")
        << QStringList{"--delete-setup", "Alt", "--page", "1x"} << "lumo-render: --page: not WIDTHxHEIGHT: '1x'" + Hint;
}

void tst_LumoRender::usageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);

    QVERIFY(WriteBytes("in.txt", ThirteenLines()));
    const Run r = run(arguments);
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 2);
    QCOMPARE(QString::fromUtf8(r.err), message + u'\n');
    QCOMPARE(r.out, QByteArray());
    // Neither pictures nor the settings file were written.
    QCOMPARE(entries(), QStringList({"in.txt"}));
}

void tst_LumoRender::setupErrorIsReportedUnchanged()
{
    QVERIFY(WriteBytes("in.txt", "kurz\r\n"));
    QVERIFY(WriteBytes("LumoSetup.ini", "[__StandardSetup__]\r\nFTPitch=x\r\n"));
    const Run r = run({"in.txt", "out.bmp"});
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.err, QByteArray("'x' ist kein g\xC3\xBCltiger Integerwert\n"));
    QCOMPARE(r.out, QByteArray());
    QCOMPARE(entries(), QStringList({"LumoSetup.ini", "in.txt"}));
}

void tst_LumoRender::missingFolderGivesTheCreationMessage()
{
    QVERIFY(WriteBytes("in.txt", "kurz\r\n"));
    // The reason is the system's own text for a folder that isn't there.
    QFile probe("missing/out.bmp");
    QVERIFY(!probe.open(QIODevice::WriteOnly));
    const QString fullName = QDir(m_folder->path()).canonicalPath() + "/missing/out.bmp";

    const Run r = run({"in.txt", "missing/out.bmp"});
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(QString::fromUtf8(r.err),
             "Datei \"" + fullName + "\" kann nicht erstellt werden. " + probe.errorString() + u'\n');
    QCOMPARE(r.out, QByteArray());
}

void tst_LumoRender::sameSeedSamePictures()
{
    QVERIFY(WriteBytes("in.txt", "Jeder Buchstabe wackelt ein wenig.\r\nUnd es rauscht.\r\n"));
    const QStringList settings{"--jitter-x", "3", "--jitter-y", "3", "--noise", "20", "in.txt"};
    for (const auto &[seed, file] : {std::pair{"42", "a.bmp"}, {"42", "b.bmp"}, {"43", "c.bmp"}}) {
        const Run r = run(settings + QStringList{"--seed", seed, file});
        QVERIFY(r.finished);
        QCOMPARE(r.err, QByteArray());
        QCOMPARE(r.exitCode, 0);
    }
    QVERIFY(QFileInfo(QStringLiteral("a.bmp")).isFile());
    const QByteArray first = ReadBytes("a.bmp");
    QVERIFY(!first.isEmpty());
    QVERIFY2(first == ReadBytes("b.bmp"), "the same seed drew different pictures");
    QVERIFY2(first != ReadBytes("c.bmp"), "another seed drew the same picture");

    const Run largest = run(settings + QStringList{"--seed", "4294967295"});
    QVERIFY(largest.finished);
    QCOMPARE(largest.exitCode, 0);
    QCOMPARE(largest.out, QByteArray("- 308x400+0+0\n"));
}

void tst_LumoRender::saveSetupWritesTheSection()
{
    const Run r = run({"--save-setup", "Name", "--font", "Arial", "--size", "12", "--style", "BI", "--color", "#ff0000",
                       "--background", "#00ff00", "--jitter-x", "3", "--jitter-y", "4", "--noise", "5", "--charset",
                       "0"});
    QVERIFY(r.finished);
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QByteArray());
    QCOMPARE(ReadBytes("LumoSetup.ini"), QByteArray("[Name]\r\nBGColor=0000FF00\r\nFTName=Arial\r\nFTSize=12\r\n"
                                                   "FTColor=000000FF\r\nFTPitch=0\r\nFTStyle=BI\r\nFTCSet=0\r\n"
                                                   "HoVar=3\r\nVeVar=4\r\nRausch=5\r\n\r\n"));
}

void tst_LumoRender::saveSetupStartsFromTheNamedSetup()
{
    QVERIFY(WriteBytes("mine.ini",
                       "[Basis]\r\nBGColor=00FFFF00\r\nFTName=Courier\r\nFTSize=10\r\nFTStyle=U\r\nHoVar=7\r\n"));
    const Run r = run({"--settings", "mine.ini", "--setup", "Basis", "--save-setup", "Kopie", "--noise", "2",
                       "--color", "navy"});
    QVERIFY(r.finished);
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(ReadBytes("mine.ini"),
             QByteArray("[Basis]\r\nBGColor=00FFFF00\r\nFTName=Courier\r\nFTSize=10\r\nFTStyle=U\r\nHoVar=7\r\n\r\n"
                        "[Kopie]\r\nBGColor=00FFFF00\r\nFTName=Courier\r\nFTSize=10\r\nFTColor=00800000\r\n"
                        "FTPitch=0\r\nFTStyle=U\r\nFTCSet=0\r\nHoVar=7\r\nVeVar=0\r\nRausch=2\r\n\r\n"));
    QCOMPARE(entries(), QStringList({"mine.ini"}));
}

void tst_LumoRender::listAndDeleteSetups()
{
    QVERIFY(WriteBytes("LumoSetup.ini",
                       "[b]\r\nHoVar=1\r\n\r\n[a]\r\nHoVar=2\r\n\r\n[__StandardSetup__]\r\nHoVar=3\r\n\r\n"));
    Run r = run({"--list-setups"});
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QByteArray("b\na\n__StandardSetup__\n"));

    r = run({"--delete-setup", "a", "--list-setups"});
    QVERIFY(r.finished);
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QByteArray("b\n__StandardSetup__\n"));
    QCOMPARE(ReadBytes("LumoSetup.ini"), QByteArray("[b]\r\nHoVar=1\r\n\r\n[__StandardSetup__]\r\nHoVar=3\r\n\r\n"));

    // A broken setup doesn't stop listing, which needs no settings.
    QVERIFY(WriteBytes("LumoSetup.ini", "[__StandardSetup__]\r\nFTPitch=x\r\n"));
    r = run({"--list-setups"});
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QByteArray("__StandardSetup__\n"));
}

void tst_LumoRender::setupNamesAreEightBit()
{
    // The settings file is Windows-1252; the command line and the listing UTF-8.
    QVERIFY(WriteBytes("LumoSetup.ini", "[Gr\xF6\xDF" "e]\r\nHoVar=1\r\n\r\n[x]\r\nHoVar=2\r\n\r\n"));
    Run r = run({"--list-setups"});
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QByteArray("Gr\xC3\xB6\xC3\x9F" "e\nx\n"));

    r = run({"--delete-setup", QString::fromUtf8("Gr\xC3\xB6\xC3\x9F" "e")});
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(ReadBytes("LumoSetup.ini"), QByteArray("[x]\r\nHoVar=2\r\n\r\n"));
}

void tst_LumoRender::standardInputReadsLikeAFile()
{
    // Every kind of line end, a last line without one, and a NUL with text
    // behind it that must not be drawn.
    QByteArray text = "eins\rzwei\ndrei\r\nvier\n\n\rf\xFCnf";
    text += QByteArray(1, '\0') + "verborgen\r\n" + ThirteenLines();
    QVERIFY(WriteBytes("in.txt", text));
    const QStringList settings{"--seed", "7", "--noise", "3", "--jitter-x", "2", "--page", "200x100"};

    const Run fromFile = run(settings + QStringList{"in.txt", "file.bmp"});
    QVERIFY(fromFile.finished);
    QCOMPARE(fromFile.exitCode, 0);
    const Run fromInput = run(settings + QStringList{"-", "input.bmp"}, text);
    QVERIFY(fromInput.finished);
    QCOMPARE(fromInput.err, QByteArray());
    QCOMPARE(fromInput.exitCode, 0);

    QCOMPARE(fromInput.out, QByteArray("input11.bmp 200x100+0+0\ninput12.bmp 200x100+0+100\n"));
    QCOMPARE(fromFile.out, QByteArray("file11.bmp 200x100+0+0\nfile12.bmp 200x100+0+100\n"));
    for (const char *page : {"11", "12"}) {
        QVERIFY(QFileInfo(QStringLiteral("file%1.bmp").arg(page)).isFile());
        const QByteArray fileBytes = ReadBytes(QStringLiteral("file%1.bmp").arg(page));
        QVERIFY(!fileBytes.isEmpty());
        QVERIFY2(fileBytes == ReadBytes(QStringLiteral("input%1.bmp").arg(page)),
                 qPrintable(QStringLiteral("page %1 differs between file and standard input").arg(page)));
    }
}

void tst_LumoRender::nulEndsTheStandardInput()
{
    const Run r = run({"--page", "200x100", "-"}, QByteArray("kurz") + '\0' + ThirteenLines());
    QVERIFY(r.finished);
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QByteArray("- 200x100+0+0\n"));
}

void tst_LumoRender::pdfHasOnePageEachPicture()
{
    QVERIFY(WriteBytes("in.txt", ThirteenLines()));
    const Run r = run({"--page", "200x100", "in.txt", "out.PDF"});
    QVERIFY(r.finished);
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QByteArray("out.PDF 200x100+0+0\nout.PDF 200x100+0+100\nout.PDF 200x100+0+200\n"));
    QCOMPARE(entries(), QStringList({"in.txt", "out.PDF"}));

    const QString pdf = QString::fromLatin1(ReadBytes("out.PDF"));
    QVERIFY(pdf.startsWith(u"%PDF-"));
    QCOMPARE(pdf.count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?!s)"))), 3);
    // 200 x 100 pixels at 96 dpi are 150 x 75 points.
    const QRegularExpression mediaBox(QStringLiteral("/MediaBox \\[0 0 150(\\.0+)? 75(\\.0+)?\\]"));
    QCOMPARE(pdf.count(mediaBox), 3);
}

void tst_LumoRender::pdfPagesArePngPixels_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("text");
    // Grey, a palette of many colours, two colours (a bit a pixel as PNG),
    // true colour.
    QTest::newRow("grey") << QStringList{"--noise", "5"} << ThirteenLines();
    QTest::newRow("palette") << QStringList{"--color", "navy", "--background", "#ffeedd", "--noise", "5"}
                             << ThirteenLines();
    QTest::newRow("two colours") << QStringList{"--color", "navy", "--background", "#ffeedd", "--noise", "5"}
                                 << QByteArray("      \r\n     \r\n");
    QTest::newRow("true colour") << QStringList{"--color", "red", "--background", "#ffeedd", "--look", "scan"}
                                 << ThirteenLines();
}

// The PDF is valid for qpdf, and the images pdfimages takes out of it are
// the pixels of the PNG pictures of the same seed.
void tst_LumoRender::pdfPagesArePngPixels()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, text);
    for (const char *tool : {"qpdf", "pdfimages"})
        QVERIFY2(!QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty(),
                 qPrintable(QStringLiteral("%1 is missing (scripts/test installs it)").arg(tool)));
    QVERIFY(WriteBytes("in.txt", text));
    const QStringList common = QStringList{"--seed", "9", "--page", "200x100"} + options;
    QCOMPARE(run(common + QStringList{"in.txt", "out.pdf"}).exitCode, 0);
    QCOMPARE(run(common + QStringList{"in.txt", "out.png"}).exitCode, 0);
    QProcess check;
    check.start(QStringLiteral("qpdf"), {"--check", "out.pdf"});
    QVERIFY(check.waitForFinished(60000));
    QVERIFY2(check.exitCode() == 0, check.readAllStandardOutput().constData());
    QProcess images;
    images.start(QStringLiteral("pdfimages"), {"-png", "out.pdf", "img"});
    QVERIFY(images.waitForFinished(60000));
    QCOMPARE(images.exitCode(), 0);
    const QStringList pngs = QDir().entryList({"out*.png"}, QDir::Files, QDir::Name);
    const QStringList taken = QDir().entryList({"img-*.png"}, QDir::Files, QDir::Name);
    QVERIFY(!pngs.isEmpty());
    QCOMPARE(taken.size(), pngs.size());
    for (qsizetype i = 0; i < pngs.size(); ++i) {
        const QImage png = QImage(pngs[i]).convertToFormat(QImage::Format_RGB32);
        const QImage fromPdf = QImage(taken[i]).convertToFormat(QImage::Format_RGB32);
        QVERIFY2(png == fromPdf, qPrintable(pngs[i] + " differs from " + taken[i]));
    }
}

void tst_LumoRender::runsWithoutADisplay()
{
    QVERIFY(WriteBytes("in.txt", "kurz\r\n"));
    // No display at all, and display variables left over from a session
    // that is gone (as over ssh or from cron).
    const QList<QStringList> displays{{}, {"DISPLAY", ":97"}, {"WAYLAND_DISPLAY", "wayland-97"}};
    for (const QStringList &display : displays) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            environment.remove(QString::fromLatin1(name));
        if (!display.isEmpty())
            environment.insert(display[0], display[1]);
        const Run r = run({"in.txt"}, QByteArray(), environment);
        QVERIFY(r.finished);
        QCOMPARE(r.err, QByteArray());
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QByteArray("- 308x400+0+0\n"));
    }
}

void tst_LumoRender::picturesWrittenBeforeAFailureAreReported()
{
    QVERIFY(WriteBytes("in.txt", ThirteenLines()));
    QVERIFY(QDir().mkdir("out12.bmp")); // the second page cannot be written
    // Four threads draw ahead of the writing; nothing of theirs may stay.
    const Run r = run({"--jobs", "4", "--page", "200x100", "in.txt", "out.bmp"});
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.out, QByteArray("out11.bmp 200x100+0+0\n"));
    QVERIFY(r.err.startsWith("Datei \""));
    QVERIFY(QFileInfo("out11.bmp").isFile());
    // Neither a later page nor a temporary file of one is left.
    QCOMPARE(QDir().entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name),
             QStringList({"in.txt", "out11.bmp", "out12.bmp"}));
}

void tst_LumoRender::failingDiskKeepsWhatWasSettled_data()
{
    QTest::addColumn<int>("failingSync");
    QTest::addColumn<QByteArray>("reported");
    QTest::addColumn<QString>("failedFile");
    QTest::addColumn<QStringList>("left");
    // The three pages' six files go to the disk together, picture and box
    // file of each page in turn; the manifest follows once they are in place.
    QTest::newRow("second page's box file") << 4 << QByteArray("out11.bmp 200x100+0+0\n") << "out12.box"
                                            << QStringList{"in.txt", "m.jsonl", "out11.bmp", "out11.box"};
    QTest::newRow("manifest") << 7
                              << QByteArray("out11.bmp 200x100+0+0\nout12.bmp 200x100+0+100\nout13.bmp 200x100+0+200\n")
                              << "m.jsonl"
                              << QStringList{"in.txt", "out11.bmp", "out11.box", "out12.bmp", "out12.box", "out13.bmp",
                                             "out13.box"};
}

void tst_LumoRender::failingDiskKeepsWhatWasSettled()
{
    QFETCH(int, failingSync);
    QFETCH(QByteArray, reported);
    QFETCH(QString, failedFile);
    QFETCH(QStringList, left);
    QVERIFY(WriteBytes("in.txt", ThirteenLines()));
    const QProcessEnvironment environment = FailingDisk("LUMO_FAILING_SYNC", QString::number(failingSync));
    const Run r = run({"--jobs", "2", "--page", "200x100", "--ground-truth", "m.jsonl", "--boxes", "in.txt", "out.bmp"},
                      QByteArray(), environment);
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.out, reported);
    const QString fullName = QDir(m_folder->path()).canonicalPath() + u'/' + failedFile;
    QCOMPARE(QString::fromUtf8(r.err), "Datei \"" + fullName + "\" kann nicht erstellt werden. Input/output error\n");
    // What was reported is in place, and a manifest tells of just that; no
    // hidden file of a later page is left.
    QCOMPARE(QDir().entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name), left);
    if (left.contains("m.jsonl"))
        QCOMPARE(ReadBytes("m.jsonl").count("{\"file\":"), reported.count('\n'));
}

void tst_LumoRender::unwritableStandardOutputFails()
{
    QVERIFY(WriteBytes("in.txt", "kurz\r\n"));
    QProcess process;
    process.setWorkingDirectory(m_folder->path());
    process.setStandardOutputFile(QStringLiteral("/dev/full"));
    process.start(QStringLiteral(LUMO_RENDER_EXE), {"in.txt"});
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), 1);
    QVERIFY(process.readAllStandardError().startsWith("lumo-render: standard output: "));
}

void tst_LumoRender::helpNamesEveryOption()
{
    const Run r = run({"--help"});
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.err, QByteArray());
    QVERIFY(r.out.startsWith("Usage: lumo-render [OPTIONS] [INPUT [OUTPUT]]\n"));
    for (const char *option : {"--setup", "--settings", "--font", "--size", "--style", "--color", "--background",
                               "--jitter-x", "--jitter-y", "--noise", "--charset", "--page", "--one-picture", "--seed",
                               "--save-setup", "--list-setups", "--delete-setup", "--quiet", "--help", "--version"})
        QVERIFY2(r.out.contains(' ' + QByteArray(option) + ' ') || r.out.contains(' ' + QByteArray(option) + ','),
                 option);

    const Run version = run({"--version"});
    QVERIFY(version.finished);
    QCOMPARE(version.exitCode, 0);
    QVERIFY(QRegularExpression(QStringLiteral("^lumo-render \\d+\\.\\d+\\.\\d+\\n$"))
                .match(QString::fromUtf8(version.out))
                .hasMatch());
}

void tst_LumoRender::jobsGiveIdenticalFiles_data()
{
    QTest::addColumn<QString>("extension");
    QTest::newRow("jpg") << ".jpg";
    QTest::newRow("bmp") << ".bmp";
    QTest::newRow("png") << ".png";
}

void tst_LumoRender::jobsGiveIdenticalFiles()
{
    QFETCH(QString, extension);
    QByteArray text;
    for (int i = 0; i < 120; ++i)
        text += "Zeile " + QByteArray::number(i) + " mit jaehen Woertern\r\n";
    QVERIFY(WriteBytes("in.txt", text));
    QVERIFY(QDir().mkdir("one") && QDir().mkdir("four"));
    const QStringList common{"--seed", "5", "--noise", "12", "--jitter-x", "3", "--jitter-y", "3", "--page", "200x150",
                             "in.txt"};
    const Run single = run(QStringList{"--jobs", "1"} + common + QStringList{"one/out" + extension});
    const Run four = run(QStringList{"--jobs", "4"} + common + QStringList{"four/out" + extension});
    QVERIFY(single.finished && four.finished);
    QCOMPARE(single.exitCode, 0);
    QCOMPARE(four.exitCode, 0);
    QCOMPARE(QString::fromUtf8(four.out).replace("four/", "one/"), QString::fromUtf8(single.out));
    const QStringList files = QDir("one").entryList(QDir::Files, QDir::Name);
    QVERIFY(files.size() > 10);
    QCOMPARE(QDir("four").entryList(QDir::Files, QDir::Name), files);
    for (const QString &name : files)
        QVERIFY2(ReadBytes("one/" + name) == ReadBytes("four/" + name), qPrintable(name));
}

void tst_LumoRender::fullDiskKeepsTheOldFile_data()
{
    QTest::addColumn<QString>("output");
    // A PNG this small was written in one go inside the save file's commit,
    // where Qt does not report a failed write; the PDF went the same way.
    QTest::newRow("png") << "out.png";
    QTest::newRow("pdf") << "out.pdf";
    QTest::newRow("jpg") << "out.jpg";
    QTest::newRow("bmp") << "out.bmp";
}

void tst_LumoRender::fullDiskKeepsTheOldFile()
{
    QFETCH(QString, output);
    QVERIFY(WriteBytes("short.txt", "Lumo\r\n"));
    const QStringList arguments{"--seed", "1", "--noise", "30", "--page", "100x100", "short.txt", output};
    Run r = run(arguments);
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 0);
    const QByteArray earlier = ReadBytes(output);
    QVERIFY(earlier.size() > 1024);

    // The disk "fills up" after 1 KiB; the child process inherits the limit.
    {
        const FileSizeLimit limit(1024);
        QVERIFY(limit.active());
        r = run(arguments);
    }
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.out, QByteArray());
    const QString fullName = QDir(m_folder->path()).canonicalPath() + u'/' + output;
    QCOMPARE(QString::fromUtf8(r.err), "Datei \"" + fullName + "\" kann nicht erstellt werden. File too large\n");
    QCOMPARE(ReadBytes(output), earlier);
    QCOMPARE(entries(), QStringList({output, "short.txt"}));
}

void tst_LumoRender::pdfPageTooLargeRefused()
{
    QVERIFY(WriteBytes("in.txt", "kurz\r\n"));
    QVERIFY(WriteBytes("out.pdf", "an older document"));
    // A page's picture goes through memory as a PNG on its way into the PDF.
    const Run r = run({"--page", "27000x27000", "in.txt", "out.pdf"});
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.out, QByteArray());
    const QString fullName = QDir(m_folder->path()).canonicalPath() + "/out.pdf";
    QCOMPARE(QString::fromUtf8(r.err), "Datei \"" + fullName + "\" kann nicht erstellt werden. A picture of 27000 x "
                                       "27000 pixels is larger than a PDF page can hold (at most 715827881 pixels)\n");
    QCOMPARE(ReadBytes("out.pdf"), QByteArray("an older document"));
}

void tst_LumoRender::groundTruthOfAThreeLineText()
{
    // Arial 12 pt is 16 pixels at 96 dpi: cells 17 high, the first at (8, 8),
    // lines 21 apart. Worked out by hand from the pictures.
    QVERIFY(WriteBytes("three.txt", "Hello Lumo\r\nzweite Zeile\r\ndrei\r\n"));
    const Run r = run({"--seed", "1", "--size", "12", "--page", "200x100", "--ground-truth", "m.jsonl", "--boxes",
                       "three.txt", "out.png"});
    QVERIFY(r.finished);
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(entries(), QStringList({"m.jsonl", "out.box", "out.png", "three.txt"}));

    QCOMPARE(ReadBytes("out.box"), QByteArray("H 9 78 19 90 0\ne 20 78 29 87 0\nl 30 78 32 90 0\nl 34 78 36 90 0\n"
                                              "o 37 78 46 87 0\nL 51 78 59 90 0\nu 60 78 67 87 0\nm 69 78 81 87 0\n"
                                              "o 81 78 90 87 0\n\t 91 78 95 90 0\n"
                                              "z 8 57 16 66 0\nw 16 57 28 66 0\ne 28 57 37 66 0\ni 38 57 40 69 0\n"
                                              "t 41 57 45 68 0\ne 45 57 54 66 0\nZ 58 57 68 69 0\ne 68 57 77 66 0\n"
                                              "i 78 57 80 69 0\nl 82 57 84 69 0\ne 85 57 94 66 0\n\t 95 57 99 69 0\n"
                                              "d 8 36 16 48 0\nr 18 36 22 46 0\ne 22 36 31 45 0\ni 32 36 34 48 0\n"
                                              "\t 35 36 39 48 0\n"));

    const QByteArray manifest = ReadBytes("m.jsonl");
    QCOMPARE(manifest.count('\n'), 1);
    QVERIFY(manifest.endsWith('\n'));
    const QJsonObject picture = QJsonDocument::fromJson(manifest).object();
    QCOMPARE(picture.keys(), QStringList({"file", "height", "index", "left", "lines", "seed", "settings", "top",
                                          "version", "width"}));
    QCOMPARE(picture["file"].toString(), QStringLiteral("out.png"));
    QCOMPARE(picture["index"].toInt(), 0);
    QCOMPARE(picture["width"].toInt(), 200);
    QCOMPARE(picture["height"].toInt(), 100);
    QCOMPARE(picture["left"].toInt(), 0);
    QCOMPARE(picture["top"].toInt(), 0);
    QCOMPARE(picture["seed"].toInteger(), 1);
    QCOMPARE(picture["version"].toString(), QStringLiteral(LUMO_VERSION));
    QCOMPARE(picture["settings"].toObject(),
             QJsonObject({{"BGColor", "00FFFFFF"}, {"FTName", "Arial"}, {"FTSize", "12"}, {"FTColor", "00000000"},
                          {"FTPitch", "0"}, {"FTStyle", ""}, {"FTCSet", "0"}, {"HoVar", "0"}, {"VeVar", "0"},
                          {"Rausch", "0"}}));
    const QJsonArray lines = picture["lines"].toArray();
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0]["text"].toString(), QStringLiteral("Hello Lumo"));
    QCOMPARE(lines[0]["box"].toArray(), QJsonArray({9, 10, 81, 12}));
    QCOMPARE(lines[1]["text"].toString(), QStringLiteral("zweite Zeile"));
    QCOMPARE(lines[2]["box"].toArray(), QJsonArray({8, 52, 26, 12}));
    const QJsonArray first = lines[0]["chars"].toArray();
    QCOMPARE(first.size(), 10);
    QCOMPARE(first[0].toObject(), QJsonObject({{"byte", 72}, {"text", "H"}, {"cell", QJsonArray{8, 8, 12, 17}},
                                               {"ink", QJsonArray{9, 10, 10, 12}}}));
    // The blank: an opaque cell with nothing visible of it.
    QCOMPARE(first[5].toObject(), QJsonObject({{"byte", 32}, {"text", " "}, {"cell", QJsonArray{46, 8, 4, 17}},
                                               {"ink", QJsonValue::Null}}));

    // Every line is exactly what Qt's JSON classes write, quotes, backslashes,
    // control characters and code-page characters included.
    QVERIFY(WriteBytes("odd.txt", "say \"hi\"\t\x01\x1f \\ back\\slash \x84\xe4\x80\r\n"));
    QCOMPARE(run({"--seed", "2", "--ground-truth", "odd.jsonl", "odd.txt"}).exitCode, 0);
    const QByteArray odd = ReadBytes("odd.jsonl");
    QCOMPARE(QJsonDocument::fromJson(odd).toJson(QJsonDocument::Compact) + '\n', odd);
    QCOMPARE(QJsonDocument::fromJson(odd)["lines"][0]["text"].toString(),
             QStringLiteral("say \"hi\"\t\u0001\u001f \\ back\\slash \u201e\u00e4\u20ac"));
}

void tst_LumoRender::lineImagesAndTheirTexts()
{
    // Text from the code page: the byte E4 is "\u00e4", written as UTF-8.
    QVERIFY(WriteBytes("in.txt", "  J\xe4ger  \r\n\r\nzwei\r\n"));
    const Run r = run({"--seed", "3", "--size", "12", "--page", "200x60", "--lines", "lines", "in.txt", "out.png"});
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 0);
    // The empty line has no characters, so it is not a line of the
    // picture; the third line starts the second page.
    QCOMPARE(QDir("lines").entryList(QDir::Files, QDir::Name),
             QStringList({"out11-0000.gt.txt", "out11-0000.png", "out12-0000.gt.txt", "out12-0000.png"}));
    QCOMPARE(ReadBytes("lines/out11-0000.gt.txt"), QByteArray("J\xc3\xa4ger"));
    QCOMPARE(ReadBytes("lines/out12-0000.gt.txt"), QByteArray("zwei"));
    const QImage line("lines/out11-0000.png");
    // The ink box grown by half the font height (8) on every side.
    QVERIFY(line.width() > 16 && line.height() > 16 && line.height() <= 60);
}

void tst_LumoRender::variantsDifferOnlyBySeed()
{
    QVERIFY(WriteBytes("in.txt", ThirteenLines()));
    const Run r = run({"--seed", "4294967295", "--variants", "3", "--page", "200x100", "--noise", "9",
                       "--ground-truth", "m.jsonl", "in.txt", "out.png"});
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 0);
    // The seeds wrap around; each variant has its own names, numbered from 11.
    const QStringList names{"out-s4294967295-11.png", "out-s4294967295-12.png", "out-s4294967295-13.png",
                            "out-s0-11.png",          "out-s0-12.png",          "out-s0-13.png",
                            "out-s1-11.png",          "out-s1-12.png",          "out-s1-13.png"};
    QByteArray expectedOut;
    for (int i = 0; i < names.size(); ++i)
        expectedOut += names[i].toLatin1() + " 200x100+0+" + QByteArray::number(i % 3 * 100) + '\n';
    QCOMPARE(r.out, expectedOut);
    QStringList seeds;
    for (const QByteArray &line : ReadBytes("m.jsonl").split('\n')) {
        if (!line.isEmpty())
            seeds << QString::number(QJsonDocument::fromJson(line)["seed"].toInteger());
    }
    QCOMPARE(seeds, QStringList({"4294967295", "4294967295", "4294967295", "0", "0", "0", "1", "1", "1"}));

    // A variant is what its seed alone draws.
    QVERIFY(QDir().mkdir("alone"));
    QVERIFY(run({"--seed", "0", "--page", "200x100", "--noise", "9", "in.txt", "alone/out.png"}).exitCode == 0);
    for (int page = 11; page <= 13; ++page) {
        const QImage variant(QStringLiteral("out-s0-%1.png").arg(page));
        const QImage alone(QStringLiteral("alone/out%1.png").arg(page));
        QVERIFY(!variant.isNull());
        QCOMPARE(variant.convertToFormat(QImage::Format_RGB32), alone.convertToFormat(QImage::Format_RGB32));
    }
    QVERIFY(QImage("out-s0-11.png") != QImage("out-s1-11.png"));
}

// Two tasks of a job array with disjoint ranges into one folder write
// disjoint files, and together exactly the files of one run over both.
void tst_LumoRender::seedRangesSplitTheWork()
{
    QVERIFY(WriteBytes("in.txt", ThirteenLines()));
    QVERIFY(QDir().mkdir("split"));
    QVERIFY(QDir().mkdir("whole"));
    const QStringList common{"--page", "200x100", "--noise", "9", "--boxes", "in.txt"};
    QCOMPARE(run(QStringList{"--seed-range", "4294967290:2"} + common + QStringList{"split/out.png"}).exitCode, 0);
    const QStringList first = QDir("split").entryList(QDir::Files);
    QCOMPARE(run(QStringList{"--seed-range", "4294967292:4"} + common + QStringList{"split/out.png"}).exitCode, 0);
    const QStringList both = QDir("split").entryList(QDir::Files);
    QCOMPARE(first.size(), 2 * 3 * 2);
    QCOMPARE(both.size(), 6 * 3 * 2);
    QVERIFY(both.contains("out-s4294967295-13.box"));
    QCOMPARE(run(QStringList{"--seed", "4294967290", "--variants", "6"} + common + QStringList{"whole/out.png"}).exitCode,
             0);
    QCOMPARE(QDir("whole").entryList(QDir::Files), both);
    for (const QString &name : both)
        QVERIFY2(ReadBytes("split/" + name) == ReadBytes("whole/" + name), qPrintable(name));
}

void tst_LumoRender::groundTruthWithEveryOutput_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<bool>("onePicture");
    QTest::addColumn<QStringList>("files");

    QTest::newRow("jpg") << "out.jpg" << false << QStringList{"out11.jpg", "out11-overlay.jpg", "out12.box", "out12.jpg"};
    QTest::newRow("bmp") << "out.bmp" << false << QStringList{"out11.bmp", "out11-overlay.bmp", "out12.box", "out12.bmp"};
    QTest::newRow("png, one picture") << "out.png" << true << QStringList{"out.box", "out.png", "out-overlay.png"};
    QTest::newRow("pdf") << "out.pdf" << false << QStringList{"out.box", "out.pdf", "out-overlay.pdf"};
}

void tst_LumoRender::groundTruthWithEveryOutput()
{
    QFETCH(QString, output);
    QFETCH(bool, onePicture);
    QFETCH(QStringList, files);
    QVERIFY(WriteBytes("in.txt", "Erste Zeile\r\nzweite Zeile\r\ndritte Zeile\r\nvierte Zeile\r\n"));
    QStringList arguments{"--seed", "8", "--page", "200x60", "--ground-truth", "m.jsonl", "--boxes", "--overlay",
                          "--lines", "lines", "in.txt", output};
    if (onePicture)
        arguments.prepend("--one-picture");
    const Run r = run(arguments);
    QVERIFY(r.finished);
    QCOMPARE(r.err, QByteArray());
    QCOMPARE(r.exitCode, 0);
    const QStringList written = QDir().entryList(QDir::Files);
    for (const QString &file : files)
        QVERIFY2(written.contains(file), qPrintable(file + " missing: " + written.join(u' ')));
    // Every picture is in the manifest, with its text lines.
    const QList<QByteArray> objects = ReadBytes("m.jsonl").trimmed().split('\n');
    QCOMPARE(objects.size(), onePicture ? 1 : r.out.count('\n'));
    int lines = 0;
    for (const QByteArray &object : objects)
        lines += QJsonDocument::fromJson(object)["lines"].toArray().size();
    QCOMPARE(lines, 4);
    QCOMPARE(QDir("lines").entryList({"*.png"}, QDir::Files).size(), 4);
    if (output.endsWith(".pdf"))
        QVERIFY(ReadBytes("out.box").contains(" 1\n")); // the second page's boxes
}

void tst_LumoRender::groundTruthAloneKeepsMemoryBounded()
{
#if defined(__SANITIZE_ADDRESS__)
    QSKIP("AddressSanitizer keeps freed memory aside: peak memory tells nothing here");
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    QSKIP("AddressSanitizer keeps freed memory aside: peak memory tells nothing here");
#endif
#endif
    // 1,300 pages whose manifest is some 80 MB: it must go out as the pages
    // are done, not wait with them for pictures to be written.
    QByteArray text;
    for (int line = 0; line < 20000; ++line)
        text += "Zeile " + QByteArray::number(line) + " mit etwas mehr Text, damit sie lang genug ist\r\n";
    QVERIFY(WriteBytes("in.txt", text));
    const ChildRun r = RunChild(QStringLiteral(LUMO_RENDER_EXE),
                                {"--jobs", "1", "--seed", "1", "--ground-truth", "m.jsonl", "in.txt"}, m_folder->path());
    QCOMPARE(r.status, 0);
    QVERIFY(QFileInfo("m.jsonl").size() > 60'000'000);
    QVERIFY2(r.peakMiB < 60, qPrintable(QString::number(r.peakMiB) + " MiB"));
}

void tst_LumoRender::tesseractReadsTheLinesAndTakesTheBoxes()
{
    const QString tesseract = QStandardPaths::findExecutable("tesseract");
    if (tesseract.isEmpty())
        QSKIP("tesseract is not installed (packages tesseract-ocr, tesseract-ocr-eng)");
    QByteArray text;
    const char *const words[] = {"the", "quick", "brown", "fox", "jumps", "over", "lazy", "dog", "Lumo", "draws",
                                 "every", "character", "with", "exact", "ground", "truth", "for", "training"};
    quint32 state = 11;
    for (int line = 0; line < 24; ++line) {
        for (int word = 0; word < 5; ++word) {
            state = state * 1103515245u + 12345u;
            text += QByteArray(words[(state >> 16) % std::size(words)]) + (word < 4 ? " " : "\r\n");
        }
    }
    QVERIFY(WriteBytes("in.txt", text));
    const Run r = run({"--seed", "1", "--size", "12", "--page", "600x400", "--boxes", "--lines", "lines", "in.txt",
                       "page.png"});
    QCOMPARE(r.exitCode, 0);

    // Every line image read as one line, against its text.
    qsizetype wrong = 0;
    qsizetype characters = 0;
    for (const QString &image : QDir("lines").entryList({"*.png"}, QDir::Files, QDir::Name)) {
        QProcess reader;
        reader.start(tesseract, {"lines/" + image, "stdout", "--psm", "7", "-l", "eng"});
        QVERIFY(reader.waitForFinished(60000));
        const QString read = QString::fromUtf8(reader.readAllStandardOutput()).trimmed();
        const QString truth = QString::fromUtf8(ReadBytes("lines/" + QString(image).replace(".png", ".gt.txt")));
        // Characters read wrong: the edit distance between the two.
        std::vector<qsizetype> previous(static_cast<std::size_t>(read.size()) + 1);
        for (qsizetype j = 0; j <= read.size(); ++j)
            previous[static_cast<std::size_t>(j)] = j;
        for (qsizetype i = 1; i <= truth.size(); ++i) {
            std::vector<qsizetype> current{i};
            for (qsizetype j = 1; j <= read.size(); ++j)
                current.push_back(std::min({previous[static_cast<std::size_t>(j)] + 1, current.back() + 1,
                                            previous[static_cast<std::size_t>(j - 1)] + (truth[i - 1] != read[j - 1])}));
            previous = current;
        }
        wrong += previous.back();
        characters += truth.size();
    }
    QVERIFY(characters > 500);
    QVERIFY2(wrong * 100 <= characters, qPrintable(QStringLiteral("%1 of %2 characters read wrong").arg(wrong).arg(characters)));

    // LSTM training takes every picture with its box file.
    for (const QString &picture : QDir().entryList({"page*.png"}, QDir::Files)) {
        const QString stem = picture.chopped(4);
        QProcess training;
        training.start(tesseract, {picture, stem, "--psm", "6", "-l", "eng", "lstm.train"});
        QVERIFY(training.waitForFinished(60000));
        QCOMPARE(training.exitCode(), 0);
        QCOMPARE(training.readAllStandardError(), QByteArray());
        QVERIFY2(QFileInfo(stem + ".lstmf").size() > 0, qPrintable(stem));
    }
}

QTEST_MAIN(tst_LumoRender)
#include "tst_lumorender.moc"
