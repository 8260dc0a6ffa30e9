#include "CompactPicture.h"
#include "ConvertText.h"
#include "ImageCompare.h"
#include "LumoRandom.h"
#include "PictureStack.h"
#include "PixelBuffer.h"
#include "RenderJob.h"
#include "RenderSettings.h"

#include <QFontMetrics>
#include <QPainter>
#include <QtTest>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr quint32 kSeed = 4711;

void useArial8()
{
    ResetRenderSettings();
    SetupFont->SetName(QStringLiteral("Arial"));
    SetupFont->SetSize(8);
    SetupFont->SetColor(clBlack);
    SetupFont->SetCharset(0);
}

quint32 advanceSeed(quint32 seed, qint64 draws)
{
    for (qint64 i = 0; i < draws; ++i)
        seed = seed * 134775813u + 1u;
    return seed;
}

struct Cell
{
    char character;
    QPoint at;
};

// The picture that drawing these cells without jitter must give: white
// background, each cell opaque, then the noise of Rausch 0 (one background
// and one font pixel) drawn from the generator after two draws per cell.
QImage expectedPicture(int width, int height, const QList<Cell> &cells, int drawnCharacters)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    const QFont font = SetupFont->ToQFont();
    const QFontMetrics metrics(font);
    QPainter painter(&image);
    painter.setFont(font);
    for (const Cell &cell : cells) {
        const QString text(QLatin1Char(cell.character));
        painter.fillRect(QRect(cell.at, QSize(metrics.horizontalAdvance(text), metrics.ascent() + metrics.descent())),
                         Qt::white);
        painter.setPen(Qt::black);
        painter.drawText(cell.at.x(), cell.at.y() + metrics.ascent(), text);
    }
    painter.end();
    RandSeed = advanceSeed(kSeed, 2 * drawnCharacters);
    int y = Random(height);
    int x = Random(width);
    image.setPixel(x, y, qRgb(255, 255, 255));
    y = Random(height);
    x = Random(width);
    image.setPixel(x, y, qRgb(0, 0, 0));
    return image;
}

int advanceOf(char c)
{
    return QFontMetrics(SetupFont->ToQFont()).horizontalAdvance(QString(QLatin1Char(c)));
}

int countPixels(const QImage &image, QRgb rgb)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += (image.pixel(x, y) & 0xFFFFFF) == (rgb & 0xFFFFFF);
    return count;
}

} // namespace

class TestConvertText : public QObject
{
    Q_OBJECT

private slots:
    void init() { useArial8(); }

    void charactersSitAtHalfTheHeightAndAdvance();
    void skippedCodesDrawNothing_data();
    void skippedCodesDrawNothing();
    void lineWrapsAfterTheCharacterCrossingTheMargin();
    void pagesStackBelowTheFirst();
    void onePictureGrowsByTheFontHeight();
    void compactedPictureKeepsItsRowsAndGivesBackTheRest();
    void nextConversionRemovesOldPages();
    void lowPicturePutsEachCharacterOnAPage();
    void noiseCount_data();
    void noiseCount();
    void noiseCountWrapsNegative();
    void scrolledFirstPictureFillsOnlyItsBounds();
    void degenerateSettingsStayInside_data();
    void degenerateSettingsStayInside();
};

void TestConvertText::charactersSitAtHalfTheHeightAndAdvance()
{
    PictureStack stack;
    stack.First().SetBounds(0, 0, 308, 400);
    ConvertText("ab", stack.First(), stack, false, {.seed = kSeed});

    QCOMPARE(std::abs(SetupFont->Height()), 11);
    const QImage expected = expectedPicture(308, 400, {{'a', {5, 5}}, {'b', {5 + advanceOf('a'), 5}}}, 2);
    QCOMPARE(ImageDifference(stack.First().Picture(), expected), QString());
}

void TestConvertText::skippedCodesDrawNothing_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("drawn");
    QTest::addColumn<QString>("layout");

    // layout: the characters drawn, "|" starting the next line.
    QTest::newRow("CR LF pairs only") << QByteArray("\r\n\r\n\r\n") << 0 << QString();
    QTest::newRow("code 20 neither drawn nor a line break") << QByteArray("a\x14" "b") << 2 << QStringLiteral("ab");
    QTest::newRow("NUL skipped in the middle") << QByteArray("a\0b", 3) << 2 << QStringLiteral("ab");
    QTest::newRow("LF alone is no line break") << QByteArray("a\nb") << 2 << QStringLiteral("ab");
    QTest::newRow("CR alone breaks the line") << QByteArray("a\rb") << 2 << QStringLiteral("a|b");
    QTest::newRow("CR LF breaks once") << QByteArray("a\r\nb") << 2 << QStringLiteral("a|b");
    QTest::newRow("space is an opaque cell that advances") << QByteArray("a b") << 3 << QStringLiteral("a b");
}

void TestConvertText::skippedCodesDrawNothing()
{
    QFETCH(QByteArray, text);
    QFETCH(int, drawn);
    QFETCH(QString, layout);

    PictureStack stack;
    stack.First().SetBounds(0, 0, 200, 100);
    ConvertText(text, stack.First(), stack, false, {.seed = kSeed});

    QCOMPARE(ImageList.size(), std::size_t(1));
    QList<Cell> cells;
    QPoint at(5, 5);
    for (const QChar c : layout) {
        if (c == QLatin1Char('|')) {
            at = QPoint(5, at.y() + 14);
            continue;
        }
        cells.append({c.toLatin1(), at});
        at.rx() += advanceOf(c.toLatin1());
    }
    QCOMPARE(ImageDifference(stack.First().Picture(), expectedPicture(200, 100, cells, drawn)), QString());
}

void TestConvertText::lineWrapsAfterTheCharacterCrossingTheMargin()
{
    const int width = 60;
    const int limit = width - 11;
    const int advance = advanceOf('n');
    QList<Cell> cells;
    int x = 5;
    int y = 5;
    for (int i = 0; i < 12; ++i) {
        cells.append({'n', {x, y}});
        x += advance;
        if (limit < x) {
            x = 5;
            y += 14;
        }
    }
    QVERIFY2(cells.last().at.y() > 5, "the text must be long enough to wrap");

    PictureStack stack;
    stack.First().SetBounds(0, 0, width, 100);
    ConvertText(QByteArray(12, 'n'), stack.First(), stack, false, {.seed = kSeed});
    QCOMPARE(ImageDifference(stack.First().Picture(), expectedPicture(width, 100, cells, 12)), QString());
}

void TestConvertText::pagesStackBelowTheFirst()
{
    // 60 pixels hold three lines of an 11-pixel font (y = 5, 19, 33).
    PictureStack stack;
    stack.First().SetBounds(0, 0, 100, 60);
    ConvertText("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10\r\n\r\n\r\n", stack.First(), stack, false,
                {.seed = kSeed});

    QCOMPARE(ImageList.size(), std::size_t(4));
    for (std::size_t i = 0; i < ImageList.size(); ++i) {
        const PictureControl *page = ImageList[i];
        QCOMPARE(page->Top(), int(60 * i));
        QCOMPARE(page->Left(), 0);
        QCOMPARE(page->Width(), 100);
        QCOMPARE(page->Height(), 60);
        QCOMPARE(page->Picture().size(), QSize(100, 60));
        // Every page but the first opens with a dotted line in the font colour.
        const QImage picture = page->Picture();
        int dots = 0;
        int gaps = 0;
        for (int x = 0; x < 100; ++x) {
            const bool black = (picture.pixel(x, 0) & 0xFFFFFF) == 0;
            dots += (x % 2 == 0) && black;
            gaps += (x % 2 == 1) && !black;
        }
        if (i == 0) {
            QVERIFY2(dots <= 1, "the first picture has no separator");
        } else {
            QVERIFY2(dots >= 49 && gaps >= 49, qPrintable(QStringLiteral("page %1: %2 dots, %3 gaps").arg(i).arg(dots).arg(gaps)));
        }
    }
    QCOMPARE(stack.First().Height(), 60);
}

void TestConvertText::onePictureGrowsByTheFontHeight()
{
    PictureStack stack;
    stack.First().SetBounds(0, 0, 100, 60);
    // Six lines: the last one at y = 5 + 5 x 14 = 75 needs a height of 89,
    // reached in steps of 11 from 60: 93. Trailing blank lines add nothing.
    ConvertText("ab\r\nab\r\nab\r\nab\r\nab\r\nab\r\n\r\n\r\n\r\n", stack.First(), stack, true, {.seed = kSeed});

    QCOMPARE(ImageList.size(), std::size_t(1));
    QCOMPARE(stack.First().Height(), 93);
    QCOMPARE(stack.First().Picture().size(), QSize(100, 93));
    QCOMPARE(stack.First().Top(), 0);
}

void TestConvertText::compactedPictureKeepsItsRowsAndGivesBackTheRest()
{
    // Palette rows of 100 bytes that end 100 bytes or less into the second
    // page: that page stays, every page past it goes back.
    const long pageSize = sysconf(_SC_PAGESIZE);
    PixelBuffer buffer(100, 400, int(pageSize / 100 + 1));
    for (int y = 0; y < buffer.Height(); ++y)
        for (int x = 0; x < buffer.Width(); ++x)
            buffer.Row(y)[x] = qRgb((x + y) % 200, 0, 0);
    const QImage expected = PaletteCopy(buffer.InUse()).value();
    auto *const start = reinterpret_cast<unsigned char *>(buffer.Pixels());

    QImage picture = CompactInPlace(std::move(buffer));
    // A mapping asked for right after the kept pages lands there only if
    // they were given back; freeing the picture must leave it mapped.
    auto *const after = start + 2 * pageSize;
    void *neighbour = mmap(after, std::size_t(pageSize), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    QVERIFY(neighbour != MAP_FAILED);
    const bool adjacent = neighbour == after;
    std::memset(neighbour, 0xab, std::size_t(pageSize));

    QCOMPARE(picture.format(), QImage::Format_Indexed8);
    QVERIFY(picture.constBits() == start);
    QCOMPARE(ImageDifference(picture, expected), QString());
    picture = QImage();
    const bool stillMapped = msync(neighbour, std::size_t(pageSize), MS_ASYNC) == 0;
    const auto *bytes = static_cast<const unsigned char *>(neighbour);
    const bool intact =
        stillMapped && std::all_of(bytes, bytes + pageSize, [](unsigned char byte) { return byte == 0xab; });
    munmap(neighbour, std::size_t(pageSize));
    QVERIFY2(adjacent, "the pages past the palette rows were not given back");
    QVERIFY2(intact, "freeing the picture unmapped the mapping after it");
}

void TestConvertText::nextConversionRemovesOldPages()
{
    PictureStack stack;
    stack.First().SetBounds(0, 0, 100, 30);
    ConvertText("a\rb\rc\rd", stack.First(), stack, false, {.seed = kSeed});
    QCOMPARE(ImageList.size(), std::size_t(4));

    stack.First().ClearPicture();
    ConvertText("a", stack.First(), stack, false, {.seed = kSeed});
    QCOMPARE(ImageList.size(), std::size_t(1));
    QCOMPARE(ImageList.front(), &stack.First());
}

void TestConvertText::lowPicturePutsEachCharacterOnAPage()
{
    // Height 10 - line step 14 < 5: every drawable character starts a page.
    PictureStack stack;
    stack.First().SetBounds(0, 0, 100, 10);
    ConvertText("abc", stack.First(), stack, false, {.seed = kSeed});

    QCOMPARE(ImageList.size(), std::size_t(4));
    QVERIFY2(countPixels(stack.First().Picture(), qRgb(0, 0, 0)) <= 1, "the first picture stays empty");
    QCOMPARE(ImageList[3]->Top(), 30);
}

void TestConvertText::noiseCount_data()
{
    QTest::addColumn<int>("rausch");
    QTest::addColumn<qint64>("pixelsOfEachColour");

    QTest::newRow("Rausch 0 still sets one of each") << 0 << qint64(1);
    QTest::newRow("Rausch 1") << 1 << qint64(2001);
    QTest::newRow("Rausch 30") << 30 << qint64(2000 * 30 + 1);
}

void TestConvertText::noiseCount()
{
    QFETCH(int, rausch);
    QFETCH(qint64, pixelsOfEachColour);

    Rausch = rausch;
    PictureStack stack;
    stack.First().SetBounds(0, 0, 300, 400);
    ConvertText("", stack.First(), stack, false, {.seed = kSeed});

    // Two draws a pixel: the row, then the column.
    QCOMPARE(RandSeed, advanceSeed(kSeed, 2 * 2 * pixelsOfEachColour));
}

void TestConvertText::noiseCountWrapsNegative()
{
    // 46341 x 46341 passes 2^31 and wraps negative: no noise at all.
    RenderJob job;
    job.width = 46341;
    job.rausch = 1;
    QCOMPARE(job.NoisePixels(46341), qint64(0));
    QCOMPARE(job.NoiseSteps(46341), quint64(0));
    job.width = 300;
    job.rausch = 30;
    QCOMPARE(job.NoisePixels(400), qint64(2000 * 30 + 1));
}

void TestConvertText::scrolledFirstPictureFillsOnlyItsBounds()
{
    // The window scrolled down by 20: the first picture sits at Top -20.
    BGColor = 0x00FF0000; // blue
    PictureStack stack;
    stack.First().SetBounds(0, -20, 100, 60);
    ConvertText("a\rb\rc\rd\re\rf\rg", stack.First(), stack, false, {.seed = kSeed});
    QCOMPARE(ImageList.size(), std::size_t(3));
    QCOMPARE(ImageList[1]->Top(), 40);
    QCOMPARE(ImageList[2]->Top(), 100);

    auto bottomRowsWhite = [](const PictureControl *picture) {
        const QImage image = picture->Picture();
        int white = 0;
        for (int y = 40; y < 60; ++y)
            white += (image.pixel(99, y) & 0xFFFFFF) == 0xFFFFFF;
        return white;
    };
    QVERIFY(bottomRowsWhite(ImageList[0]) >= 19);
    QVERIFY(bottomRowsWhite(ImageList[1]) <= 1);
    QVERIFY(bottomRowsWhite(ImageList[2]) >= 19);
    QCOMPARE(ImageList[0]->Picture().pixel(99, 10) & 0xFFFFFF, 0x0000FFu);
}

void TestConvertText::degenerateSettingsStayInside_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("hoVar");
    QTest::addColumn<int>("veVar");

    QTest::newRow("font size 0: every line at y 0") << 0 << 0 << 0;
    QTest::newRow("negative jitter throws characters far away") << 8 << -5 << -5;
    QTest::newRow("largest jitter") << 8 << INT32_MAX << INT32_MAX;
}

void TestConvertText::degenerateSettingsStayInside()
{
    QFETCH(int, size);
    QFETCH(int, hoVar);
    QFETCH(int, veVar);

    SetupFont->SetSize(size);
    HoVar = hoVar;
    VeVar = veVar;
    PictureStack stack;
    stack.First().SetBounds(0, 0, 100, 60);
    ConvertText("ab\r\ncd\r\nef\r\ngh\r\nij\r\nkl\r\nmn", stack.First(), stack, false, {.seed = kSeed});

    if (size == 0) {
        QCOMPARE(ImageList.size(), std::size_t(1));
        QCOMPARE(stack.First().Height(), 60);
        const QImage picture = stack.First().Picture();
        const int inked = picture.width() * picture.height() - countPixels(picture, qRgb(255, 255, 255));
        QVERIFY2(inked > 20, "the glyphs are drawn in the platform's default size");
    } else if (hoVar < 0) {
        QVERIFY2(countPixels(stack.First().Picture(), qRgb(0, 0, 0)) <= 1, "nothing lands in the picture");
    }
}

QTEST_MAIN(TestConvertText)
#include "tst_converttext.moc"
