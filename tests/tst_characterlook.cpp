// The hand-set look of each character: turned, sized, on a drifting
// baseline, with worn ink. The pictures and their ground truth against a
// model that draws each character alone through the same pose with a plain
// QPainter; the poses' own arithmetic; and lumo-render's options.

#include "CharacterLook.h"
#include "CharacterText.h"
#include "ImageCompare.h"
#include "LumoRandom.h"
#include "PageDrawing.h"
#include "PageLayout.h"
#include "PageTruth.h"
#include "PosedGlyphs.h"
#include "RenderJob.h"
#include "RenderRun.h"
#include "TestFiles.h"

#include <QFontMetrics>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct ModelCharacter
{
    QRect cell;
    QRect ink;
    QPolygonF quad;
    // Where the glyph is drawn before its pose, and the pose.
    QRectF unposed;
    QTransform transform;
};

struct ModelPage
{
    QImage picture;
    std::vector<ModelCharacter> characters;
    // Each pixel's owner (a character's number), or -1.
    std::vector<int> owner;
};

// One page of a one-line-per-CR text with no wrap, drawn the plain way.
ModelPage modelPage(const QByteArray &text, const RenderJob &job, int width, int height)
{
    const QFont font = job.font.ToQFont();
    const QFontMetrics metrics(font);
    const int h = std::abs(job.font.Height());
    const int cellHeight = metrics.ascent() + metrics.descent();
    ModelPage page;
    page.picture = QImage(width, height, QImage::Format_RGB32);
    page.picture.fill(job.background);
    page.owner.assign(static_cast<std::size_t>(width) * height, -1);
    QImage alone(width, height, QImage::Format_RGB32);
    QImage coverage(width, height, QImage::Format_RGB32);

    RandSeed = job.seed;
    int x = h / 2;
    int y = h / 2;
    std::int64_t line = 0;
    for (qsizetype index = 0; index < text.size(); ++index) {
        const char c = text[index];
        if (c == '\n')
            continue;
        if (c == '\r') {
            x = h / 2;
            y += 4 * h / 3;
            ++line;
            continue;
        }
        const int jy = y + Random(2 * job.veVar) - job.veVar;
        const int jx = x + Random(2 * job.hoVar) - job.hoVar;
        const QString character(QChar::fromLatin1(c));
        const int advance = metrics.horizontalAdvance(character);
        CharacterPose pose = PoseOf(job.look, job.seed, index, job.foreground, job.background);
        pose.drift = BaselineCurve(job.look, job.seed, 0, line).DriftAt(jx);
        const QPoint at(jx, jy + pose.drift);
        const QRect cell = QRect(at, QSize(advance, cellHeight));
        // The cell's corners turned (clockwise on the screen for a positive
        // angle) and sized about its centre, worked out by hand.
        const QPointF centre = QRectF(cell).center();
        const double radians = pose.angle * M_PI / 180;
        QPolygonF quad;
        for (const QPointF corner : {QPointF(cell.left(), cell.top()), QPointF(cell.left() + advance, cell.top()),
                                     QPointF(cell.left() + advance, cell.top() + cellHeight),
                                     QPointF(cell.left(), cell.top() + cellHeight)}) {
            const QPointF d = (corner - centre) * pose.scale;
            quad << centre + QPointF(d.x() * std::cos(radians) - d.y() * std::sin(radians),
                                     d.x() * std::sin(radians) + d.y() * std::cos(radians));
        }
        page.characters.push_back({cell.intersected(page.picture.rect()), QRect(), quad, QRectF(cell),
                                   pose.Transform(at, advance, cellHeight)});
        // The glyph's coverage: drawn black on white where it goes, then
        // laid in its colour over the picture and over the background alone.
        coverage.fill(Qt::white);
        {
            QPainter painter(&coverage);
            painter.setFont(font);
            painter.setTransform(pose.Transform(at, advance, cellHeight));
            painter.setPen(Qt::black);
            painter.drawText(at.x(), at.y() + metrics.ascent(), character);
        }
        alone.fill(job.background);
        {
            QPainter painter(&page.picture);
            painter.fillRect(cell, QColor(job.background));
        }
        for (int py = 0; py < height; ++py) {
            for (int px = 0; px < width; ++px) {
                const int covered = 255 - qGreen(coverage.pixel(px, py));
                const auto over = [&](QRgb under) {
                    const auto mix = [&](int top, int bottom) {
                        return static_cast<int>(std::lround((top * covered + bottom * (255 - covered)) / 255.0));
                    };
                    return qRgb(mix(qRed(pose.colour), qRed(under)), mix(qGreen(pose.colour), qGreen(under)),
                                mix(qBlue(pose.colour), qBlue(under)));
                };
                if (covered != 0) {
                    page.picture.setPixel(px, py, over(page.picture.pixel(px, py)));
                    alone.setPixel(px, py, over(alone.pixel(px, py)));
                }
            }
        }
        const int number = static_cast<int>(page.characters.size() - 1);
        for (int py = 0; py < height; ++py) {
            const auto *row = reinterpret_cast<const QRgb *>(alone.constScanLine(py));
            for (int px = 0; px < width; ++px) {
                int &owner = page.owner[static_cast<std::size_t>(py) * width + px];
                if (cell.contains(px, py))
                    owner = -1;
                if (row[px] != job.background)
                    owner = number;
            }
        }
        x += advance;
    }
    // Noise level 0 still sets one pixel of each colour.
    for (const QRgb colour : {job.background, job.foreground}) {
        const int py = Random(height);
        const int px = Random(width);
        page.picture.setPixel(px, py, colour);
    }
    for (int py = 0; py < height; ++py)
        for (int px = 0; px < width; ++px)
            if (const int o = page.owner[static_cast<std::size_t>(py) * width + px]; o >= 0)
                page.characters[static_cast<std::size_t>(o)].ink |= QRect(px, py, 1, 1);
    return page;
}

} // namespace

class TestCharacterLook : public QObject
{
    Q_OBJECT

private slots:
    void posedCharactersAreExact_data();
    void posedCharactersAreExact();
    void posesStayInTheirRanges();
    void coverageShowsFromOneLevelOn();
    void optionsOfLumoRender_data();
    void optionsOfLumoRender();
    void eachVariantDrawsWithOneOfTheFonts();
    void badValuesAreRefused_data();
    void badValuesAreRefused();
};

void TestCharacterLook::posedCharactersAreExact_data()
{
    QTest::addColumn<double>("rotate");
    QTest::addColumn<double>("scale");
    QTest::addColumn<double>("drift");
    QTest::addColumn<double>("fade");
    QTest::addColumn<int>("jitter");

    QTest::newRow("turned") << 8.0 << 0.0 << 0.0 << 0.0 << 0;
    QTest::newRow("sized") << 0.0 << 25.0 << 0.0 << 0.0 << 0;
    QTest::newRow("baseline drift") << 0.0 << 0.0 << 4.0 << 0.0 << 0;
    QTest::newRow("worn ink") << 0.0 << 0.0 << 0.0 << 80.0 << 0;
    QTest::newRow("all of them, jitter 3") << 5.0 << 15.0 << 3.0 << 50.0 << 3;
}

void TestCharacterLook::posedCharactersAreExact()
{
    QFETCH(double, rotate);
    QFETCH(double, scale);
    QFETCH(double, drift);
    QFETCH(double, fade);
    QFETCH(int, jitter);

    const QByteArray bytes = "Hand-set type, gjpqy\r\nWorn ink & a drifting line\r\nThe quick brown fox\r\n";
    constexpr int width = 420;
    constexpr int height = 150;
    RenderValues values;
    values.font.SetName(QStringLiteral("Arial"));
    values.font.SetSize(14);
    values.font.SetColor(clBlack);
    values.background = clWhite;
    values.hoVar = jitter;
    values.veVar = jitter;
    const CharacterText text = CharacterText::FromBytes(bytes, CharsetTable(0));
    RenderJob job = RenderJob::From(text, values, {0, 0, width, height}, false, 23);
    job.look = {rotate, scale, drift, fade};
    const std::vector<PagePlan> pages = PlanPages(text, job);
    QCOMPARE(pages.size(), std::size_t(1));
    PixelBuffer buffer;
    PageTruth truth;
    DrawPage(text, job, pages.front(), 0, buffer, &truth);

    const ModelPage model = modelPage(bytes, job, width, height);
    QCOMPARE(ImageDifference(buffer.InUse(), model.picture), QString());
    std::size_t next = 0;
    for (const PageTruth::Line &line : truth.Lines()) {
        for (const PageTruth::Character &got : line.characters) {
            QVERIFY(next < model.characters.size());
            const ModelCharacter &want = model.characters[next];
            const QString where = QStringLiteral("character %1").arg(next++);
            QVERIFY2(got.cell == want.cell, qPrintable(where + QStringLiteral(": cell %1, expected %2")
                                                           .arg(DescribeBox(got.cell), DescribeBox(want.cell))));
            QVERIFY2(got.ink == want.ink, qPrintable(where + QStringLiteral(": ink %1, expected %2")
                                                         .arg(DescribeBox(got.ink), DescribeBox(want.ink))));
            QCOMPARE(got.quad.size(), 4);
            for (int corner = 0; corner < 4; ++corner)
                QVERIFY(QLineF(got.quad[corner], want.quad[corner]).length() < 1e-6);
        }
    }
    QCOMPARE(next, model.characters.size());

    // The quad holds the pixels of its glyph that came from the cell (a
    // "j" reaches out of its cell unposed too), give or take the blended edge.
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int owner = model.owner[static_cast<std::size_t>(y) * width + x];
            if (owner < 0)
                continue;
            const ModelCharacter &character = model.characters[static_cast<std::size_t>(owner)];
            const QPointF source = character.transform.inverted().map(QPointF(x + 0.5, y + 0.5));
            if (!character.unposed.contains(source))
                continue;
            const QPolygonF &quad = character.quad;
            const QRectF pixel(x, y, 1, 1);
            bool near = false;
            for (const QPointF corner : {pixel.topLeft(), pixel.topRight(), pixel.bottomLeft(), pixel.bottomRight(),
                                         pixel.center()})
                near = near || quad.containsPoint(corner, Qt::OddEvenFill);
            QVERIFY2(near, qPrintable(QStringLiteral("pixel (%1, %2) of character %3 lies outside its quad").arg(x).arg(y).arg(owner)));
        }
    }
}

void TestCharacterLook::posesStayInTheirRanges()
{
    const CharacterLook look{10, 20, 5, 40};
    const QRgb ink = qRgb(0, 0, 128);
    const QRgb paper = qRgb(255, 250, 240);
    double angles = 0;
    for (std::int64_t index = 0; index < 2000; ++index) {
        const CharacterPose pose = PoseOf(look, 99, index, ink, paper);
        QVERIFY(std::abs(pose.angle) <= 10);
        QVERIFY(pose.scale >= 0.8 && pose.scale <= 1.2);
        // Lighter, never darker, and no further than 40 % of the way.
        QVERIFY(qRed(pose.colour) >= 0 && qRed(pose.colour) <= 102);
        QVERIFY(qBlue(pose.colour) >= 128 && qBlue(pose.colour) <= 173);
        angles += std::abs(pose.angle);
        QCOMPARE(PoseOf(look, 99, index, ink, paper).angle, pose.angle);
    }
    // Spread over the range, not stuck at one end.
    QVERIFY(angles / 2000 > 3.5 && angles / 2000 < 6.5);
    QVERIFY(PoseOf(look, 99, 5, ink, paper).angle != PoseOf(look, 100, 5, ink, paper).angle);

    // A baseline drifts within its amplitude and smoothly: a few pixels of
    // line move it by a pixel at the most.
    for (std::int64_t line = 0; line < 50; ++line) {
        const BaselineCurve curve(look, 7, 2, line);
        int lowest = 0;
        int highest = 0;
        for (int x = 0; x < 1000; ++x) {
            const int drift = curve.DriftAt(x);
            QVERIFY(std::abs(drift) <= 5);
            QVERIFY(std::abs(drift - curve.DriftAt(x + 4)) <= 1);
            lowest = std::min(lowest, drift);
            highest = std::max(highest, drift);
        }
        QVERIFY(highest - lowest >= 2);
    }
    QCOMPARE(BaselineCurve(CharacterLook{}, 7, 2, 3).DriftAt(100), 0);
}

void TestCharacterLook::coverageShowsFromOneLevelOn()
{
    // A glyph's pixel is its own where its coverage changes the background,
    // which happens from one level of coverage on: faded ink a step from
    // the paper shows only where the glyph covers most.
    std::uint32_t state = 3;
    const auto level = [&state] {
        state = state * 1664525u + 1013904223u;
        return static_cast<int>(state >> 24);
    };
    for (int pair = 0; pair < 3000; ++pair) {
        const QRgb under = qRgb(level(), level(), level());
        // Every third colour a step or two from the background.
        const QRgb colour = pair % 3 == 0 ? qRgb(std::clamp(qRed(under) + level() % 5 - 2, 0, 255), qGreen(under),
                                                  std::clamp(qBlue(under) - level() % 3, 0, 255))
                                          : qRgb(level(), level(), level());
        const int first = FirstVisibleCoverage(under, colour);
        for (int coverage = 0; coverage <= 255; ++coverage)
            QCOMPARE(Covered(under, colour, coverage) != under, coverage >= first);
    }
    QCOMPARE(FirstVisibleCoverage(qRgb(9, 9, 9), qRgb(9, 9, 9)), 256);
    QCOMPARE(FirstVisibleCoverage(qRgb(255, 255, 255), qRgb(0, 0, 0)), 1);
}

void TestCharacterLook::optionsOfLumoRender_data()
{
    QTest::addColumn<QStringList>("look");
    QTest::newRow("each effect") << QStringList{"--char-rotate", "4.5", "--char-scale", "12", "--baseline-drift",
                                                "2", "--ink-fade", "70"};
}

void TestCharacterLook::optionsOfLumoRender()
{
    QFETCH(QStringList, look);
    QTemporaryDir folder;
    for (const char *output : {"a", "b", "c", "d", "e"})
        QVERIFY(QDir(folder.path()).mkdir(output));
    QByteArray lines;
    for (int i = 0; i < 30; ++i)
        lines += "Hand-set line " + QByteArray::number(i) + " with worn ink\n";
    QVERIFY(WriteBytes(folder.filePath("in.txt"), lines));
    const QStringList common{"--seed", "5", "--page", "300x200", "--ground-truth", "m.jsonl", "--boxes", "in.txt"};
    const Run one = RunRender(folder.path(), look + common + QStringList{"--jobs", "1", "a/out.png"});
    const Run many = RunRender(folder.path(), look + common + QStringList{"--jobs", "4", "b/out.png"});
    QCOMPARE(one.exitCode, 0);
    QCOMPARE(many.exitCode, 0);
    // Whatever --jobs says, the same files.
    const QStringList files = QDir(folder.filePath("a")).entryList(QDir::Files, QDir::Name);
    QVERIFY(files.size() > 4);
    QCOMPARE(QDir(folder.filePath("b")).entryList(QDir::Files, QDir::Name), files);
    for (const QString &file : files)
        QVERIFY2(ReadBytes(folder.filePath("a/" + file)) == ReadBytes(folder.filePath("b/" + file)), qPrintable(file));

    const QJsonObject picture = QJsonDocument::fromJson(ReadBytes(folder.filePath("m.jsonl")).split('\n').front()).object();
    // The whole recipe: these settings, no page effect, the seed.
    QCOMPARE(picture["look"].toObject(),
             (QJsonObject{{"charRotate", 4.5}, {"charScale", 12}, {"baselineDrift", 2}, {"inkFade", 70},
                          {"rotate", 0}, {"angle", 0}, {"warp", 0}, {"inkWeight", 0}, {"paper", false}, {"blur", 0},
                          {"sensorNoise", 0}, {"seed", 5}}));
    const QJsonObject first = picture["lines"].toArray()[0].toObject()["chars"].toArray()[0].toObject();
    QCOMPARE(first["quad"].toArray().size(), 4);

    // A named look, its parts changed by the options after it and not by
    // those before.
    const Run named = RunRender(folder.path(), QStringList{"--blur", "3", "--look", "scan", "--rotate", "0"} + common +
                                                   QStringList{"e/out.png"});
    QCOMPARE(named.exitCode, 0);
    const QJsonObject scan = QJsonDocument::fromJson(ReadBytes(folder.filePath("m.jsonl")).split('\n').front())
                                 .object()["look"].toObject();
    QCOMPARE(scan["name"].toString(), QStringLiteral("scan"));
    QCOMPARE(scan["rotate"].toDouble(), 0.0);
    QCOMPARE(scan["angle"].toDouble(), 0.0);
    QCOMPARE(scan["blur"].toDouble(), 0.8);
    QVERIFY(scan["warp"].toDouble() > 0);

    // All of it at 0 is no look at all: the files of a plain run.
    const Run zero = RunRender(folder.path(), QStringList{"--char-rotate", "0", "--ink-fade", "0.0"} + common +
                                                  QStringList{"c/out.png"});
    const Run plain = RunRender(folder.path(), common + QStringList{"d/out.png"});
    QCOMPARE(zero.exitCode, 0);
    QCOMPARE(plain.exitCode, 0);
    for (const QString &file : QDir(folder.filePath("d")).entryList(QDir::Files))
        QVERIFY2(ReadBytes(folder.filePath("c/" + file)) == ReadBytes(folder.filePath("d/" + file)), qPrintable(file));
    QVERIFY(!ReadBytes(folder.filePath("m.jsonl")).split('\n').last().contains("quad"));
}

void TestCharacterLook::eachVariantDrawsWithOneOfTheFonts()
{
    QTemporaryDir folder;
    QVERIFY(WriteBytes(folder.filePath("fonts.txt"), "# serif and mono\nLiberation Serif\n\n  Liberation Mono  \n"));
    QVERIFY(WriteBytes(folder.filePath("in.txt"), "Which font, which seed\n"));
    const Run run = RunRender(folder.path(), {"--fonts", "@fonts.txt", "--variants", "12", "--seed", "40",
                                              "--ground-truth", "m.jsonl", "in.txt", "out.png"});
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.exitCode, 0);
    QMap<QString, QSet<int>> widths;
    for (const QByteArray &line : ReadBytes(folder.filePath("m.jsonl")).trimmed().split('\n')) {
        const QJsonObject picture = QJsonDocument::fromJson(line).object();
        const QString font = picture["look"].toObject()["font"].toString();
        QCOMPARE(picture["look"].toObject()["seed"], picture["seed"]);
        // The settings name the font the picture was drawn with.
        QCOMPARE(picture["settings"].toObject()["FTName"].toString(), font);
        const QJsonArray chars = picture["lines"].toArray()[0].toObject()["chars"].toArray();
        widths[font].insert(chars[0].toObject()["cell"].toArray()[2].toInt());
    }
    // Both fonts drawn, each with its own advance for the same "W".
    QCOMPARE(widths.keys(), (QStringList{"Liberation Mono", "Liberation Serif"}));
    QCOMPARE(widths["Liberation Mono"].size(), 1);
    QVERIFY(widths["Liberation Mono"] != widths["Liberation Serif"]);
}

void TestCharacterLook::badValuesAreRefused_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("message");
    QTest::newRow("an angle beyond 45 degrees") << QStringList{"--char-rotate", "45.5"}
                                                << "--char-rotate: out of range 0..45: '45.5'";
    QTest::newRow("a negative scale") << QStringList{"--char-scale", "-1"} << "--char-scale: out of range 0..50: '-1'";
    QTest::newRow("not a number") << QStringList{"--ink-fade", "1e2"} << "--ink-fade: not a number: '1e2'";
    QTest::newRow("a drift of nothing") << QStringList{"--baseline-drift", ""} << "--baseline-drift: not a number: ''";
    QTest::newRow("a page turned beyond 45 degrees") << QStringList{"--rotate", "50"} << "--rotate: out of range 0..45: '50'";
    QTest::newRow("a negative sigma") << QStringList{"--blur", "-1"} << "--blur: out of range 0..10: '-1'";
    QTest::newRow("a negative sensor sigma") << QStringList{"--sensor-noise", "-0.5"}
                                             << "--sensor-noise: out of range 0..100: '-0.5'";
    QTest::newRow("too heavy ink") << QStringList{"--ink-weight", "4"} << "--ink-weight: out of range -3..3: '4'";
    QTest::newRow("paper takes no value") << QStringList{"--paper=yes"} << "--paper: takes no value";
    QTest::newRow("a font that is not installed") << QStringList{"--fonts", "Liberation Serif,Nope Font"}
                                                  << "--fonts: there is no font 'Nope Font' on this system";
    QTest::newRow("an empty font in the list") << QStringList{"--fonts", "Liberation Serif,,Liberation Mono"}
                                               << "--fonts: not a list of font families: 'Liberation Serif,,Liberation Mono'";
    QTest::newRow("a list file that is not there") << QStringList{"--fonts", "@fonts.txt"}
                                                   << "--fonts: cannot read the file (No such file or directory): 'fonts.txt'";
    QTest::newRow("an unknown look") << QStringList{"--look", "sepia"}
                                     << "--look: not a look (clean, print, scan, photocopy, worn): 'sepia'";
}

void TestCharacterLook::badValuesAreRefused()
{
    QFETCH(QStringList, options);
    QFETCH(QString, message);
    QTemporaryDir folder;
    QVERIFY(WriteBytes(folder.filePath("in.txt"), "abc\n"));
    const Run run = RunRender(folder.path(), options + QStringList{"in.txt", "out.png"});
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(QString::fromUtf8(run.err), "lumo-render: " + message + " (see lumo-render --help)\n");
    QCOMPARE(AllEntries(folder.path()), QStringList{"in.txt"});
}

QTEST_MAIN(TestCharacterLook)
#include "tst_characterlook.moc"
