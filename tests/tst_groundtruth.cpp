// The ground truth of the pictures against a model of its own: every
// character drawn alone at its place on the background, with the plain
// per-character drawing's positions; a pixel belongs to the last character
// whose glyph changed it, unless a later character's opaque cell covers it.

#include "ImageCompare.h"
#include "PageDrawing.h"
#include "PageLayout.h"
#include "PageTruth.h"
#include "PlainReference.h"
#include "RenderJob.h"
#include "CodePage.h"
#include "Hundredths.h"
#include "PictureControl.h"
#include "RenderSettings.h"

#include <QFontMetrics>
#include <QtTest>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

struct ModelCharacter
{
    unsigned char byte = 0;
    QRect cell;
    QRect ink;
};
using ModelLine = std::vector<ModelCharacter>;

// The cell moved into the picture edge by edge.
QRect clampedCell(QPoint at, QSize size, int width, int height)
{
    const int left = std::clamp(at.x(), 0, width);
    const int top = std::clamp(at.y(), 0, height);
    const int right = std::clamp(at.x() + size.width(), 0, width);
    const int bottom = std::clamp(at.y() + size.height(), 0, height);
    return QRect(left, top, right - left, bottom - top);
}

std::vector<ModelLine> modelLines(const PlainPage &page, int width)
{
    const QFont font = SetupFont->ToQFont();
    const QFontMetrics metrics(font);
    const QColor background = ColourToQColor(BGColor);
    const QColor foreground = ColourToQColor(SetupFont->Color());
    const ByteToUnicode &table = CharsetTable(SetupFont->Charset());
    const int height = page.image.height();

    std::vector<int> owner(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), -1);
    QImage alone(width, height, QImage::Format_RGB32);
    for (std::size_t i = 0; i < page.characters.size(); ++i) {
        const PlainCharacter &c = page.characters[i];
        const QString text = QString(QChar(table[c.byte]));
        const QRect drawable(0, 0, width, std::min(c.pictureHeight, height));
        const QRect cell = clampedCell(c.at, QSize(metrics.horizontalAdvance(text), metrics.ascent() + metrics.descent()),
                                       width, drawable.height());
        alone.fill(background);
        {
            QPainter painter(&alone);
            painter.setClipRect(drawable);
            painter.setFont(font);
            painter.setPen(foreground);
            painter.drawText(c.at.x(), c.at.y() + metrics.ascent(), text);
        }
        for (int y = 0; y < height; ++y) {
            const auto *row = reinterpret_cast<const QRgb *>(alone.constScanLine(y));
            for (int x = 0; x < width; ++x) {
                int &pixel = owner[static_cast<std::size_t>(y) * width + x];
                if (cell.contains(x, y))
                    pixel = -1;
                if (row[x] != background.rgb())
                    pixel = static_cast<int>(i);
            }
        }
    }

    std::vector<QRect> ink(page.characters.size());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (const int o = owner[static_cast<std::size_t>(y) * width + x]; o >= 0)
                ink[static_cast<std::size_t>(o)] |= QRect(x, y, 1, 1);

    std::vector<ModelLine> lines;
    bool open = false;
    for (std::size_t i = 0; i < page.characters.size(); ++i) {
        const PlainCharacter &c = page.characters[i];
        if (!open)
            lines.emplace_back();
        const QString text = QString(QChar(table[c.byte]));
        const QRect cell = clampedCell(c.at, QSize(metrics.horizontalAdvance(text), metrics.ascent() + metrics.descent()),
                                       width, std::min(c.pictureHeight, height));
        lines.back().push_back({c.byte, cell, ink[i]});
        open = !c.endsLine;
    }
    return lines;
}

QByteArray everyPrintableByte()
{
    QByteArray text;
    for (int b = 32; b < 256; ++b) {
        if (b != 127)
            text.append(static_cast<char>(b));
        if (b % 37 == 0)
            text.append("\r\n");
    }
    return text + "\r\n";
}

} // namespace

class TestGroundTruth : public QObject
{
    Q_OBJECT

private slots:
    void inkAndCellsAreExact_data();
    void inkAndCellsAreExact();
    void coordinatesAreWrittenAsTheirDouble();
};

void TestGroundTruth::inkAndCellsAreExact_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("style");
    QTest::addColumn<int>("jitter");
    QTest::addColumn<int>("noise");
    QTest::addColumn<bool>("onePicture");

    QTest::newRow("Arial 8, plain") << "Arial" << 8 << 0 << 0 << 0 << false;
    QTest::newRow("Arial 8, jitter 3, noise 10") << "Arial" << 8 << 0 << 3 << 10 << false;
    QTest::newRow("Arial 12 bold, jitter 3") << "Arial" << 12 << int(FontObject::fsBold) << 3 << 0 << false;
    QTest::newRow("Arial 10 italic overhangs, noise 10")
        << "Arial" << 10 << int(FontObject::fsItalic) << 0 << 10 << false;
    QTest::newRow("serif 24 italic, jitter 3, one picture")
        << "Liberation Serif" << 24 << int(FontObject::fsItalic) << 3 << 10 << true;
    QTest::newRow("Arial 16 bold italic, jitter 3")
        << "Arial" << 16 << int(FontObject::fsBold | FontObject::fsItalic) << 3 << 0 << false;
}

void TestGroundTruth::inkAndCellsAreExact()
{
    QFETCH(QString, family);
    QFETCH(int, size);
    QFETCH(int, style);
    QFETCH(int, jitter);
    QFETCH(int, noise);
    QFETCH(bool, onePicture);

    ResetRenderSettings();
    SetupFont->SetName(family);
    SetupFont->SetSize(size);
    SetupFont->SetStyle(static_cast<std::uint8_t>(style));
    SetupFont->SetCharset(0);
    SetupFont->SetColor(clBlack);
    HoVar = jitter;
    VeVar = jitter;
    Rausch = noise;
    const QByteArray text = everyPrintableByte();
    const int width = 300;
    const int height = 160;
    const quint32 seed = 77;
    const std::vector<PlainPage> plain = PlainConvert(text, width, height, onePicture, seed);

    PictureControl first;
    first.SetBounds(0, 0, width, height);
    const RenderValues values = CurrentRenderValues();
    const CharacterText characters = CharacterText::FromBytes(text, CharsetTable(values.font.Charset()));
    const RenderJob job = RenderJob::From(characters, values, first.BoundsRect(), onePicture, seed);
    const std::vector<PagePlan> pages = PlanPages(characters, job);
    QCOMPARE(pages.size(), plain.size());
    for (std::size_t p = 0; p < pages.size(); ++p) {
        PixelBuffer withTruth;
        PixelBuffer without;
        PageTruth truth;
        DrawPage(characters, job, pages[p], static_cast<std::int64_t>(p), withTruth, &truth);
        DrawPage(characters, job, pages[p], static_cast<std::int64_t>(p), without);
        // Following the drawing changes nothing of it.
        QCOMPARE(ImageDifference(withTruth.InUse(), without.InUse()), QString());
        QCOMPARE(ImageDifference(withTruth.InUse(), plain[p].image), QString());

        const std::vector<ModelLine> expected = modelLines(plain[p], width);
        QCOMPARE(truth.Lines().size(), expected.size());
        for (std::size_t l = 0; l < expected.size(); ++l) {
            const PageTruth::Line &line = truth.Lines()[l];
            QCOMPARE(line.characters.size(), expected[l].size());
            QRect box;
            for (std::size_t c = 0; c < expected[l].size(); ++c) {
                const PageTruth::Character &got = line.characters[c];
                const ModelCharacter &want = expected[l][c];
                const QString where = QStringLiteral("page %1, line %2, character %3 (byte %4)")
                                          .arg(p).arg(l).arg(c).arg(want.byte);
                QCOMPARE(got.code, CharCode(want.byte));
                QVERIFY2(got.cell == want.cell, qPrintable(where + QStringLiteral(": cell %1, expected %2")
                                                               .arg(DescribeBox(got.cell), DescribeBox(want.cell))));
                QVERIFY2(got.ink == want.ink, qPrintable(where + QStringLiteral(": ink %1, expected %2")
                                                             .arg(DescribeBox(got.ink), DescribeBox(want.ink))));
                box |= want.ink;
            }
            QCOMPARE(line.box, box);
        }
    }
}

// A quad's corner in the manifest is the double rounded to hundredths, in
// std::to_chars's shortest form; the digits written directly must be the
// same text everywhere, past the short cut (100,000) and in its corners.
void TestGroundTruth::coordinatesAreWrittenAsTheirDouble()
{
    const auto expected = [](double value) {
        const double rounded = std::round(value * 100) / 100;
        char digits[32];
        const char *end = std::to_chars(digits, std::end(digits), rounded == 0 ? 0.0 : rounded).ptr;
        return std::string(static_cast<const char *>(digits), end);
    };
    std::vector<double> values = {0.0, -0.0, 0.004, -0.004, 0.005, -0.005, 0.01, -0.01, 0.05, 0.1, 0.999, 1.005, 12.3,
                                  -12.34, 99999.99, 99999.994, 99999.995, -99999.995, 100000, 100000.01, 1e6,
                                  -1e6, 2147483647.0, -2147483648.5, 1e300,
                                  std::numeric_limits<double>::infinity(),
                                  -std::numeric_limits<double>::infinity()};
    // Every hundredth up to 1,000, and a spread up to 100,000 either side.
    for (int hundredths = -100000; hundredths <= 100000; ++hundredths)
        values.push_back(hundredths / 100.0);
    std::uint32_t state = 7;
    for (int i = 0; i < 200000; ++i) {
        state = state * 1664525u + 1013904223u;
        values.push_back((static_cast<double>(state) / 4294967296.0 - 0.5) * 2.2e5);
    }
    for (const double value : values) {
        std::string written;
        AppendHundredths(written, value);
        if (written != expected(value))
            QFAIL(qPrintable(QStringLiteral("%1: %2 instead of %3")
                                 .arg(value, 0, 'g', 17)
                                 .arg(QString::fromStdString(written), QString::fromStdString(expected(value)))));
    }
}

QTEST_MAIN(TestGroundTruth)
#include "tst_groundtruth.moc"
