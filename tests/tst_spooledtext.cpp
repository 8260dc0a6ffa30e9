// A long 8-bit text kept in a temporary file and read back a window at a
// time: the characters that come back, the memory it falls back on, and
// pages laid out and drawn from windows exactly as from the whole text.

#include "CodePage.h"
#include "ImageCompare.h"
#include "PageDrawing.h"
#include "PageLayout.h"
#include "PageTruth.h"
#include "PictureControl.h"
#include "RenderJob.h"
#include "RenderSettings.h"
#include "SpooledText.h"
#include "TextFile.h"

#include <QRandomGenerator>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>

namespace {

// Lines of words, breaks of every kind, and every byte but NUL somewhere.
QByteArray mixedText(qsizetype size, quint32 seed)
{
    QRandomGenerator random(seed);
    const QList<QByteArray> words{"Lumo", "zeichnet", "\xe4\xf6\xfc\xdf", "\x80\x93", "fox", "\t", "\x14", "\r",
                                  "\n", "\r\n", "\n\r", ""};
    QByteArray text;
    for (int byte = 1; byte < 256; ++byte)
        text.append(static_cast<char>(byte));
    while (text.size() < size) {
        text.append(words[random.bounded(static_cast<int>(words.size()))]);
        text.append(' ');
    }
    return text;
}

// The text put into a spool in pieces of random size up to most.
void putInPieces(SpooledText &spooled, const QByteArray &bytes, qsizetype most, quint32 seed)
{
    QRandomGenerator random(seed);
    for (qsizetype at = 0; at < bytes.size();) {
        const qsizetype length = std::min<qsizetype>(1 + random.bounded(static_cast<int>(most)), bytes.size() - at);
        spooled.Put(QByteArrayView(bytes).sliced(at, length));
        at += length;
    }
    spooled.End();
}

QByteArray bytesOf(const CharacterText &text)
{
    QByteArray bytes;
    text.ForEachCode([&bytes](CharCode code) { bytes.append(static_cast<char>(code)); });
    return bytes;
}

// Checks the spool holds exactly the lines of bytes, window by window.
void compareWindows(const SpooledText &spooled, const QByteArray &lines)
{
    QCOMPARE(spooled.size(), lines.size());
    for (const qsizetype step : {qsizetype(1) << 20, qsizetype(4099), qsizetype(7)}) {
        for (qsizetype begin = 0; begin < lines.size(); begin += step * 37) {
            const CharacterText window = spooled.Window(begin, begin + step);
            QVERIFY(window.CodePage() == &Cp1252Table());
            QCOMPARE(bytesOf(window), lines.sliced(begin, std::min(step, lines.size() - begin)));
        }
    }
    // Past the end it is cut.
    QCOMPARE(bytesOf(spooled.Window(lines.size() - 3, lines.size() + 100)), lines.right(3));
    QCOMPARE(spooled.Window(lines.size() + 5, lines.size() + 9).size(), 0);
}

// Lets a write grow no file of this process past limit bytes while it lives.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t limit)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_before);
        m_signal = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lower = m_before;
        lower.rlim_cur = limit;
        ::setrlimit(RLIMIT_FSIZE, &lower);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_before);
        std::signal(SIGXFSZ, m_signal);
    }

private:
    rlimit m_before{};
    void (*m_signal)(int) = nullptr;
};

bool operator==(const LumoRect &a, const LumoRect &b)
{
    return a.Left == b.Left && a.Top == b.Top && a.Right == b.Right && a.Bottom == b.Bottom;
}

} // namespace

class TestSpooledText : public QObject
{
    Q_OBJECT

private slots:
    void windowsGiveBackTheLines();
    void heldWhereNoTemporaryFileCanBeMade();
    void heldOnceTheTemporaryFileFillsUp();
    void pagesFromWindowsAreThePagesOfTheWholeText_data();
    void pagesFromWindowsAreThePagesOfTheWholeText();
};

void TestSpooledText::windowsGiveBackTheLines()
{
    const QByteArray bytes = mixedText(3 << 20, 1);
    SpooledText spooled(Cp1252Table());
    putInPieces(spooled, bytes, 300000, 2);
    QVERIFY(spooled.InFile());
    compareWindows(spooled, TextFileLines(bytes));

    // Every code the text uses, once: all bytes but NUL, LF in the breaks.
    QByteArray alphabet;
    for (int byte = 1; byte < 256; ++byte)
        alphabet.append(static_cast<char>(byte));
    QCOMPARE(bytesOf(spooled.Alphabet()), alphabet);

    // A text shorter than a piece written out is only held.
    SpooledText shortText(Cp1252Table());
    putInPieces(shortText, bytes.left(100000), 3000, 9);
    QVERIFY(!shortText.InFile());
    compareWindows(shortText, TextFileLines(bytes.left(100000)));

    SpooledText empty(Cp1252Table());
    empty.End();
    QCOMPARE(empty.size(), 0);
    QCOMPARE(empty.Alphabet().size(), 0);
    QCOMPARE(empty.Window(0, 10).size(), 0);
}

void TestSpooledText::heldWhereNoTemporaryFileCanBeMade()
{
    const QByteArray tmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QDir::current().absoluteFilePath(QStringLiteral("no such folder")).toLocal8Bit());
    SpooledText spooled(Cp1252Table());
    const QByteArray bytes = mixedText(3 << 20, 3);
    putInPieces(spooled, bytes, 50000, 4);
    if (tmp.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", tmp);
    QVERIFY(!spooled.InFile());
    compareWindows(spooled, TextFileLines(bytes));
}

void TestSpooledText::heldOnceTheTemporaryFileFillsUp()
{
    // The file takes the first megabyte and a half; the write after fails
    // (a full disk) and what the file holds comes back into memory.
    const QByteArray bytes = mixedText(4 << 20, 5);
    SpooledText spooled(Cp1252Table());
    {
        const FileSizeLimit limit(3 << 19);
        putInPieces(spooled, bytes, 100000, 6);
    }
    QVERIFY(!spooled.InFile());
    compareWindows(spooled, TextFileLines(bytes));
}

void TestSpooledText::pagesFromWindowsAreThePagesOfTheWholeText_data()
{
    QTest::addColumn<qsizetype>("windowSize");
    QTest::addColumn<int>("jitter");
    QTest::addColumn<double>("rotate");
    QTest::addColumn<bool>("onePicture");

    QTest::newRow("a character a window") << qsizetype(1) << 3 << 0.0 << false;
    QTest::newRow("windows shorter than a page") << qsizetype(61) << 0 << 0.0 << false;
    QTest::newRow("windows of pages, turned characters") << qsizetype(1500) << 2 << 10.0 << false;
    QTest::newRow("one window") << (qsizetype(1) << 20) << 0 << 0.0 << false;
    QTest::newRow("one growing picture") << qsizetype(200) << 1 << 0.0 << true;
}

void TestSpooledText::pagesFromWindowsAreThePagesOfTheWholeText()
{
    QFETCH(qsizetype, windowSize);
    QFETCH(int, jitter);
    QFETCH(double, rotate);
    QFETCH(bool, onePicture);

    ResetRenderSettings();
    SetupFont->SetName(QStringLiteral("Arial"));
    SetupFont->SetSize(9);
    HoVar = jitter;
    VeVar = jitter;
    Rausch = 2;
    const QByteArray bytes = mixedText(6000, 7);
    SpooledText spooled(Cp1252Table());
    putInPieces(spooled, bytes, 700, 8);
    const CharacterText whole = CharacterText::FromBytes(TextFileLines(bytes), Cp1252Table());

    PictureControl first;
    first.SetBounds(0, 0, 220, 130);
    RenderJob job = RenderJob::From(spooled.Alphabet(), CurrentRenderValues(), first.BoundsRect(), onePicture, 41);
    job.look.rotate = rotate;
    const std::vector<PagePlan> expected = PlanPages(whole, job);
    const std::vector<PagePlan> pages = PlanPages(
        spooled.size(), [&spooled](qsizetype begin, qsizetype end) { return spooled.Window(begin, end); }, job,
        windowSize);
    QVERIFY(onePicture || expected.size() > 5);
    QCOMPARE(pages.size(), expected.size());
    for (std::size_t p = 0; p < pages.size(); ++p) {
        const PagePlan &got = pages[p];
        const PagePlan &want = expected[p];
        QCOMPARE(got.start.begin, want.start.begin);
        QCOMPARE(got.start.seed, want.start.seed);
        QCOMPARE(got.start.continuation, want.start.continuation);
        QCOMPARE(got.end, want.end);
        QCOMPARE(got.noiseSeed, want.noiseSeed);
        QVERIFY(got.bounds == want.bounds);
        QCOMPARE(got.tallest, want.tallest);

        // The page drawn from the window of its characters.
        const CharacterText window = spooled.Window(got.start.begin, got.end);
        PixelBuffer fromWindow;
        PixelBuffer fromWhole;
        PageTruth windowTruth;
        PageTruth wholeTruth;
        DrawPage(TextWindow(window, got.start.begin), job, got, static_cast<std::int64_t>(p), fromWindow, &windowTruth);
        DrawPage(whole, job, want, static_cast<std::int64_t>(p), fromWhole, &wholeTruth);
        QCOMPARE(ImageDifference(fromWindow.InUse(), fromWhole.InUse()), QString());
        QCOMPARE(CountLines(TextWindow(window, got.start.begin), job, got), CountLines(whole, job, want));
        QCOMPARE(windowTruth.Lines().size(), wholeTruth.Lines().size());
        for (std::size_t l = 0; l < wholeTruth.Lines().size(); ++l) {
            const auto &gotLine = windowTruth.Lines()[l].characters;
            const auto &wantLine = wholeTruth.Lines()[l].characters;
            QCOMPARE(gotLine.size(), wantLine.size());
            for (std::size_t c = 0; c < wantLine.size(); ++c) {
                QCOMPARE(gotLine[c].index, wantLine[c].index);
                QCOMPARE(gotLine[c].code, wantLine[c].code);
                QCOMPARE(gotLine[c].ink, wantLine[c].ink);
                QCOMPARE(gotLine[c].quad, wantLine[c].quad);
            }
        }
    }
}

QTEST_MAIN(TestSpooledText)
#include "tst_spooledtext.moc"
