// The page effects: a picture turned, warped, its ink thickened or thinned,
// on paper, blurred and speckled, with the truth carried through. The
// geometric ones against a model that puts each character alone through
// the same effect; the arithmetic of each by its invariants; lumo-render's
// options and the manifest's recipe.

#include "CharacterText.h"
#include "ImageCompare.h"
#include "LumoRandom.h"
#include "OwnerMap.h"
#include "PageDrawing.h"
#include "PageEffects.h"
#include "PageGeometry.h"
#include "PageLayout.h"
#include "PageTruth.h"
#include "RenderJob.h"
#include "RenderRun.h"
#include "TestFiles.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int Width = 360;
constexpr int Height = 150;

RenderJob jobFor(const CharacterText &text, const PageLook &page, int jitter)
{
    RenderValues values;
    values.font.SetName(QStringLiteral("Arial"));
    values.font.SetSize(14);
    values.font.SetColor(clBlack);
    values.background = clWhite;
    values.hoVar = jitter;
    values.veVar = jitter;
    RenderJob job = RenderJob::From(text, values, {0, 0, Width, Height}, false, 17);
    job.page = page;
    return job;
}

// Where the noise of level 0 put its two pixels (one of each colour).
std::vector<QPoint> noisePixels(const PagePlan &page)
{
    RandSeed = page.noiseSeed;
    std::vector<QPoint> pixels;
    for (int colour = 0; colour < 2; ++colour) {
        const int y = Random(Height);
        const int x = Random(Width);
        pixels.emplace_back(x, y);
    }
    return pixels;
}

} // namespace

class TestPageEffects : public QObject
{
    Q_OBJECT

private slots:
    void geometricEffectsCarryTheTruth_data();
    void geometricEffectsCarryTheTruth();
    void geometryGoesBothWays();
    void ownersMoveWhereNoInkShows();
    void bareRunsComeOutAsResampled();
    void inkWeightCarriesOwners();
    void ownersAreKeptInTheOrderTheyCame();
    void photometricEffectsKeepTheirPromises();
    void optionsOfLumoRender();
    void paperScansUnderTheText();
};

void TestPageEffects::geometricEffectsCarryTheTruth_data()
{
    QTest::addColumn<double>("rotate");
    QTest::addColumn<double>("warp");
    QTest::addColumn<int>("inkWeight");
    QTest::addColumn<int>("jitter");
    QTest::newRow("turned") << 6.0 << 0.0 << 0 << 0;
    QTest::newRow("warped") << 0.0 << 8.0 << 0 << 0;
    QTest::newRow("thickened") << 0.0 << 0.0 << 1 << 0;
    QTest::newRow("thinned") << 0.0 << 0.0 << -1 << 0;
    QTest::newRow("turned and warped, jitter 2") << 3.0 << 4.0 << 0 << 2;
    QTest::newRow("turned, warped and thickened") << 3.0 << 4.0 << 2 << 0;
}

void TestPageEffects::geometricEffectsCarryTheTruth()
{
    QFETCH(double, rotate);
    QFETCH(double, warp);
    QFETCH(int, inkWeight);
    QFETCH(int, jitter);
    const CharacterText text = CharacterText::FromBytes("Turned and warped, gjpqy\r\nThe truth goes along\r\n", CharsetTable(0));

    // The page drawn plainly, with each character's visible pixels.
    const RenderJob plainJob = jobFor(text, {}, jitter);
    const std::vector<PagePlan> pages = PlanPages(text, plainJob);
    QCOMPARE(pages.size(), std::size_t(1));
    PixelBuffer plain;
    PageTruth plainTruth;
    DrawPage(text, plainJob, pages.front(), 0, plain, &plainTruth);
    // The same page with the effect.
    PageLook look;
    look.rotate = rotate;
    look.warp = warp;
    look.inkWeight = inkWeight;
    const RenderJob job = jobFor(text, look, jitter);
    PixelBuffer drawn;
    PageTruth truth;
    DrawPage(text, job, pages.front(), 0, drawn, &truth);
    const QImage result = drawn.InUse();
    const PageGeometry geometry(job.page, job.seed, 0, Width, Height);

    // The model: each character's visible pixels alone on the background,
    // put through the same effects.
    std::vector<const PageTruth::Character *> characters;
    std::vector<const PageTruth::Character *> plainCharacters;
    for (const PageTruth::Line &line : truth.Lines())
        for (const PageTruth::Character &character : line.characters)
            characters.push_back(&character);
    for (const PageTruth::Line &line : plainTruth.Lines())
        for (const PageTruth::Character &character : line.characters)
            plainCharacters.push_back(&character);
    QCOMPARE(characters.size(), plainCharacters.size());
    const QImage plainPicture = plain.InUse();
    const std::vector<QPoint> noise = noisePixels(pages.front());
    for (std::size_t i = 0; i < characters.size(); ++i) {
        const QRect visible = plainCharacters[i]->ink;
        if (visible.isNull())
            continue;
        // Its glyph pixels: inside its plain ink box, not background, and
        // not another character's (its neighbours' boxes may overlap it:
        // the model takes the pixel for the last one drawn, as the truth does).
        QImage alone(Width, Height, QImage::Format_RGB32);
        alone.fill(Qt::white);
        for (int y = visible.top(); y <= visible.bottom(); ++y) {
            for (int x = visible.left(); x <= visible.right(); ++x) {
                bool later = false;
                for (std::size_t j = i + 1; j < plainCharacters.size(); ++j)
                    later = later || plainCharacters[j]->ink.contains(x, y) || plainCharacters[j]->cell.contains(x, y);
                const QRgb pixel = plainPicture.pixel(x, y);
                if (!later && pixel != qRgb(255, 255, 255) && std::find(noise.begin(), noise.end(), QPoint(x, y)) == noise.end())
                    alone.setPixel(x, y, pixel);
            }
        }
        if (job.page.Geometric())
            MovePixels(alone, geometry, qRgb(255, 255, 255), nullptr);
        ChangeInkWeight(alone, job.page.inkWeight, qRgb(255, 255, 255), nullptr);
        QRect modelInk;
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x)
                if (alone.pixel(x, y) != qRgb(255, 255, 255))
                    modelInk |= QRect(x, y, 1, 1);
        const QRect &ink = characters[i]->ink;
        const QString where = QStringLiteral("character %1: ink %2, model %3").arg(i).arg(DescribeBox(ink), DescribeBox(modelInk));
        // Tight to within a pixel: a blend that rounds back to the background
        // still names the character. Where two characters' thickened ink
        // meets, a pixel shows (and belongs to) the stronger: the model,
        // alone, grows further there.
        const int reach = std::max(job.page.inkWeight, 0);
        QVERIFY2(ink.adjusted(-reach, -reach, reach, reach).contains(modelInk) || modelInk.isNull(), qPrintable(where));
        QVERIFY2(modelInk.isNull() || modelInk.adjusted(-1, -1, 1, 1).contains(ink), qPrintable(where));

        // The quad holds what came from the cell.
        const QRectF cell(plainCharacters[i]->cell);
        const QPolygonF &quad = characters[i]->quad;
        QCOMPARE(quad.size(), 4);
        for (int y = modelInk.top(); y <= modelInk.bottom() && job.page.inkWeight <= 0; ++y) {
            for (int x = modelInk.left(); x <= modelInk.right(); ++x) {
                if (alone.pixel(x, y) == qRgb(255, 255, 255))
                    continue;
                const QPointF source = geometry.Source(QPointF(x + 0.5, y + 0.5));
                if (!cell.contains(source))
                    continue;
                bool near = false;
                for (const QPointF corner : {QPointF(x, y), QPointF(x + 1, y), QPointF(x, y + 1), QPointF(x + 1, y + 1)})
                    near = near || quad.containsPoint(corner, Qt::OddEvenFill);
                QVERIFY2(near, qPrintable(QStringLiteral("character %1: pixel (%2, %3) from its cell lies outside its quad").arg(i).arg(x).arg(y)));
            }
        }
    }

    // Every pixel that shows ink belongs to a character and lies in its box.
    for (int y = 0; y < Height; ++y) {
        for (int x = 0; x < Width; ++x) {
            if (result.pixel(x, y) == qRgb(255, 255, 255) || std::find(noise.begin(), noise.end(), QPoint(x, y)) != noise.end())
                continue;
            const bool boxed = std::any_of(characters.begin(), characters.end(),
                                           [&](const PageTruth::Character *c) { return c->ink.contains(x, y); });
            QVERIFY2(boxed, qPrintable(QStringLiteral("pixel (%1, %2) shows ink of no character").arg(x).arg(y)));
        }
    }
}

void TestPageEffects::geometryGoesBothWays()
{
    PageLook look;
    look.rotate = 10;
    look.warp = 12;
    for (std::int64_t page = 0; page < 20; ++page) {
        const PageGeometry geometry(look, 5, page, 400, 300);
        QVERIFY(std::abs(geometry.Angle()) <= 10);
        for (const QPointF point : {QPointF(0, 0), QPointF(200, 150), QPointF(399, 17), QPointF(33, 290)}) {
            QVERIFY(std::abs(geometry.Displacement(point).x()) <= 12 + 1e-9);
            QVERIFY(std::abs(geometry.Displacement(point).y()) <= 12 + 1e-9);
            QVERIFY(QLineF(geometry.Forward(geometry.Source(point)), point).length() < 0.01);
        }
    }
    // Forward undoes Source to far below the hundredth a manifest writes,
    // over the picture, off its edges, and where the grid's edge holds.
    for (std::int64_t page = 0; page < 5; ++page) {
        const PageGeometry geometry(look, 11, page, 400, 300);
        for (int y = -40; y <= 340; y += 7) {
            for (int x = -40; x <= 440; x += 9) {
                const QPointF point(x + 0.3, y + 0.6);
                const QPointF back = geometry.Source(geometry.Forward(point));
                QVERIFY2(QLineF(back, point).length() < 1e-5, qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
            }
        }
    }
    // Pages differ, seeds reproduce.
    QVERIFY(PageGeometry(look, 5, 1, 400, 300).Angle() != PageGeometry(look, 5, 2, 400, 300).Angle());
    QCOMPARE(PageGeometry(look, 5, 1, 400, 300).Angle(), PageGeometry(look, 5, 1, 400, 300).Angle());
    // Turned by 0 and not warped, every pixel stays.
    QImage picture(40, 30, QImage::Format_RGB32);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            picture.setPixel(x, y, qRgb(x * 6, y * 8, 100));
    const QImage before = picture.copy();
    MovePixels(picture, PageGeometry(PageLook{}, 5, 0, 40, 30), qRgb(255, 255, 255), nullptr);
    QCOMPARE(ImageDifference(picture, before), QString());
}

void TestPageEffects::ownersMoveWhereNoInkShows()
{
    // Owners move with their pixels whatever colour those show: a glyph in
    // the background's own colour still owns its place, and the bare
    // background round it is left as it is.
    PageLook look;
    look.rotate = 6;
    look.warp = 4;
    const PageGeometry geometry(look, 9, 0, 200, 120);
    const QRgb background = qRgb(250, 240, 230);
    const auto moved = [&](QRgb ink, OwnerBoxes *owned = nullptr) {
        QImage picture(200, 120, QImage::Format_RGB32);
        picture.fill(background);
        OwnerMap owners(200, 120);
        for (int y = 40; y < 70; ++y) {
            for (int x = 90; x < 97; ++x) {
                picture.setPixel(x, y, ink);
                owners.Add(x, y, x < 93 ? 3 : 4);
            }
        }
        MovePixels(picture, geometry, background, &owners, owned);
        return std::pair(picture, owners);
    };
    const auto [inked, inkOwners] = moved(qRgb(0, 0, 0));
    const auto [bare, bareOwners] = moved(background);
    int owned = 0;
    for (int y = 0; y < 120; ++y) {
        for (int x = 0; x < 200; ++x) {
            QCOMPARE(bareOwners.At(x, y), inkOwners.At(x, y));
            owned += inkOwners.At(x, y)[0] >= 0;
            QCOMPARE(bare.pixel(x, y), background | 0xFF000000u);
            if (inkOwners.At(x, y)[0] < 0)
                QCOMPARE(inked.pixel(x, y), background | 0xFF000000u);
        }
    }
    QVERIFY(owned > 7 * 30 / 2);
    // Taken straight into boxes, the owners' boxes are those of the map.
    OwnerBoxes fromMap;
    fromMap.TakeMap(inkOwners);
    OwnerBoxes direct;
    const auto [directPicture, unmoved] = moved(qRgb(0, 0, 0), &direct);
    QCOMPARE(ImageDifference(directPicture, inked), QString());
    for (std::size_t owner = 0; owner < 6; ++owner)
        QCOMPARE(direct.BoxOf(owner), fromMap.BoxOf(owner));
    QVERIFY(!direct.BoxOf(3).isNull() && !direct.BoxOf(4).isNull());
    QVERIFY(direct.BoxOf(3).right() >= direct.BoxOf(4).left());
}

void TestPageEffects::bareRunsComeOutAsResampled()
{
    // The move fills a run whose taps all lie on bare background with the
    // background instead of resampling it. Against a move that skips
    // nothing (told of a background that no pixel shows), every pixel and
    // owner whose source lies inside the picture must be the same: a
    // footprint a pixel short on any side shows as a lost edge of ink.
    for (const QSize size : {QSize(7, 40), QSize(57, 45), QSize(200, 120)}) {
        for (std::int64_t page = 0; page < 4; ++page) {
            PageLook look;
            look.rotate = 6;
            look.warp = 4;
            const PageGeometry geometry(look, 21, page, size.width(), size.height());
            const QRgb background = qRgb(255, 255, 255);
            QImage picture(size, QImage::Format_RGB32);
            picture.fill(background);
            OwnerMap owners(size.width(), size.height());
            // Lone dots, wider apart than a run, at every offset to the
            // runs from row to row; some owned, in several greys.
            for (int y = 1; y < size.height(); y += 3) {
                for (int x = (y / 3) % 11; x < size.width(); x += 11) {
                    picture.setPixel(x, y, qRgb(40 * (x % 5), 40 * (x % 5), 40 * (x % 5)));
                    if (x % 3 != 0)
                        owners.Add(x, y, (x + y) % 7);
                }
            }
            QImage skipped = picture.copy();
            OwnerMap skippedOwners = owners;
            MovePixels(skipped, geometry, background, &skippedOwners);
            QImage resampled = picture.copy();
            OwnerMap resampledOwners = owners;
            MovePixels(resampled, geometry, qRgb(1, 2, 3), &resampledOwners);
            for (int y = 0; y < size.height(); ++y) {
                for (int x = 0; x < size.width(); ++x) {
                    const QPointF source = geometry.Source(QPointF(x + 0.5, y + 0.5));
                    if (source.x() < 2 || source.y() < 2 || source.x() > size.width() - 2 || source.y() > size.height() - 2)
                        continue;
                    const QString where = QStringLiteral("%1x%2 page %3 at %4,%5")
                                              .arg(size.width()).arg(size.height()).arg(page).arg(x).arg(y);
                    QVERIFY2(skipped.pixel(x, y) == resampled.pixel(x, y), qPrintable(where));
                    QVERIFY2(skippedOwners.At(x, y) == resampledOwners.At(x, y), qPrintable(where));
                }
            }
        }
    }
}

void TestPageEffects::inkWeightCarriesOwners()
{
    // A vertical stroke one pixel wide, owned by character 7.
    QImage picture(9, 9, QImage::Format_RGB32);
    picture.fill(Qt::white);
    OwnerMap owners(9, 9);
    for (int y = 2; y <= 6; ++y) {
        picture.setPixel(4, y, qRgb(0, 0, 0));
        owners.Add(4, y, 7);
    }
    ChangeInkWeight(picture, 1, qRgb(255, 255, 255), &owners);
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 9; ++x) {
            // Within one pixel of the stroke (as a disc reaches).
            const bool near = (x >= 3 && x <= 5 && y >= 2 && y <= 6) || (x == 4 && (y == 1 || y == 7));
            QCOMPARE(picture.pixel(x, y) == qRgb(0, 0, 0), near);
            QCOMPARE(owners.At(x, y)[0], near ? 7 : -1);
        }
    }
    // Thinned by one, the three-pixel stroke keeps its middle column only.
    ChangeInkWeight(picture, -1, qRgb(255, 255, 255), &owners);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 9; ++x)
            QCOMPARE(picture.pixel(x, y) == qRgb(0, 0, 0), x == 4 && y >= 2 && y <= 6);
}

void TestPageEffects::ownersAreKeptInTheOrderTheyCame()
{
    using Owners = OwnerMap::Owners;
    OwnerMap owners(3, 2);
    QCOMPARE(owners.At(2, 1), OwnerMap::None());
    // One owner is the pixel's tag; the same one again changes nothing.
    owners.Add(0, 0, 5);
    owners.Add(0, 0, 5);
    QCOMPARE(owners.At(0, 0), (Owners{5, -1, -1, -1}));
    QCOMPARE(owners.Tag(0, 0), 5);
    // Owners 0 and 5 are two: neither may stand for "none" or for the other.
    owners.Add(0, 0, 0);
    QCOMPARE(owners.At(0, 0), (Owners{5, 0, -1, -1}));
    // The same owners in the same order are one set, which both pixels share.
    owners.Add(1, 0, 5);
    owners.Add(1, 0, 0);
    QCOMPARE(owners.Tag(1, 0), owners.Tag(0, 0));
    // In the other order they are another set.
    owners.AddAll(2, 0, {0, 5, -1, -1});
    QCOMPARE(owners.At(2, 0), (Owners{0, 5, -1, -1}));
    QVERIFY(owners.Tag(2, 0) != owners.Tag(0, 0));
    // Four slots: a fifth owner is left out; the sets already made stay.
    owners.AddAll(0, 0, {8, 9, 10, -1});
    QCOMPARE(owners.At(0, 0), (Owners{5, 0, 8, 9}));
    QCOMPARE(owners.At(1, 0), (Owners{5, 0, -1, -1}));
    // Set and a copy of the map (the ink weight reads one) keep every pixel.
    owners.Set(0, 1, {0, 5, -1, -1});
    owners.Set(1, 1, OwnerMap::None());
    const OwnerMap copy = owners;
    owners.Add(2, 0, 9);
    QCOMPARE(copy.At(0, 1), (Owners{0, 5, -1, -1}));
    QCOMPARE(copy.Tag(0, 1), copy.Tag(2, 0));
    QCOMPARE(copy.At(1, 1), OwnerMap::None());
    QCOMPARE(copy.At(0, 0), (Owners{5, 0, 8, 9}));
    QCOMPARE(owners.At(2, 0), (Owners{0, 5, 9, -1}));
}

void TestPageEffects::photometricEffectsKeepTheirPromises()
{
    // A blur keeps an even picture even and spreads a dot without losing its ink.
    QImage even(30, 20, QImage::Format_RGB32);
    even.fill(qRgb(90, 120, 200));
    Blur(even, 1.5);
    QCOMPARE(even.pixel(0, 0), qRgb(90, 120, 200));
    QCOMPARE(even.pixel(17, 11), qRgb(90, 120, 200));
    QImage dot(31, 31, QImage::Format_RGB32);
    dot.fill(Qt::white);
    dot.setPixel(15, 15, qRgb(0, 0, 0));
    Blur(dot, 1.0);
    QVERIFY(qRed(dot.pixel(15, 15)) > 0 && qRed(dot.pixel(15, 15)) < qRed(dot.pixel(16, 15)));
    QVERIFY(qRed(dot.pixel(16, 15)) < 255 && dot.pixel(15, 22) == qRgb(255, 255, 255));

    // Sensor noise: about the sigma asked for, around nothing, the same for the same seed.
    QImage grey(200, 100, QImage::Format_RGB32);
    grey.fill(qRgb(128, 128, 128));
    QImage again = grey.copy();
    AddSensorNoise(grey, 10, 3, 4);
    AddSensorNoise(again, 10, 3, 4);
    QCOMPARE(ImageDifference(grey, again), QString());
    double sum = 0;
    double squares = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x) {
            const double d = qGreen(grey.pixel(x, y)) - 128.0;
            sum += d;
            squares += d * d;
        }
    const double mean = sum / 20000;
    const double deviation = std::sqrt(squares / 20000 - mean * mean);
    QVERIFY2(std::abs(mean) < 0.5 && deviation > 9 && deviation < 11, qPrintable(QStringLiteral("%1 %2").arg(mean).arg(deviation)));

    // Paper under white: a few percent of shading, nowhere ink-dark; the
    // ink stays ink.
    QImage page(300, 200, QImage::Format_RGB32);
    page.fill(Qt::white);
    page.setPixel(100, 100, qRgb(0, 0, 0));
    LayPaper(page, qRgb(255, 255, 255), 9, 0);
    int lowest = 255;
    int changed = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x)
            if (x != 100 || y != 100) {
                lowest = std::min(lowest, qGreen(page.pixel(x, y)));
                changed += page.pixel(x, y) != qRgb(255, 255, 255);
            }
    QVERIFY2(lowest > 200, qPrintable(QString::number(lowest)));
    QVERIFY(changed > 300 * 200 / 2);
    QCOMPARE(page.pixel(100, 100), qRgb(0, 0, 0));
}

void TestPageEffects::optionsOfLumoRender()
{
    QTemporaryDir folder;
    for (const char *output : {"a", "b"})
        QVERIFY(QDir(folder.path()).mkdir(output));
    QByteArray lines;
    for (int i = 0; i < 30; ++i)
        lines += "A page on paper, turned, line " + QByteArray::number(i) + "\n";
    QVERIFY(WriteBytes(folder.filePath("in.txt"), lines));
    const QStringList look{"--rotate", "3", "--warp", "2.5", "--ink-weight", "1", "--paper", "--blur", "0.7",
                           "--sensor-noise", "6", "--char-rotate", "1"};
    const QStringList common{"--seed", "8", "--page", "300x200", "--ground-truth", "m.jsonl", "--boxes", "in.txt"};
    const Run one = RunRender(folder.path(), look + common + QStringList{"--jobs", "1", "a/out.png"});
    const Run many = RunRender(folder.path(), look + common + QStringList{"--jobs", "3", "b/out.png"});
    QCOMPARE(one.exitCode, 0);
    QCOMPARE(many.exitCode, 0);
    const QStringList files = QDir(folder.filePath("a")).entryList(QDir::Files, QDir::Name);
    QVERIFY(files.size() > 4);
    QCOMPARE(QDir(folder.filePath("b")).entryList(QDir::Files, QDir::Name), files);
    for (const QString &file : files)
        QVERIFY2(ReadBytes(folder.filePath("a/" + file)) == ReadBytes(folder.filePath("b/" + file)), qPrintable(file));

    const QList<QByteArray> manifest = ReadBytes(folder.filePath("m.jsonl")).trimmed().split('\n');
    QVERIFY(manifest.size() > 2);
    QSet<double> angles;
    for (const QByteArray &line : manifest) {
        const QJsonObject recipe = QJsonDocument::fromJson(line).object()["look"].toObject();
        QCOMPARE(recipe["rotate"].toDouble(), 3.0);
        QCOMPARE(recipe["warp"].toDouble(), 2.5);
        QCOMPARE(recipe["inkWeight"].toInt(), 1);
        QCOMPARE(recipe["paper"].toBool(), true);
        QCOMPARE(recipe["seed"].toInteger(), 8);
        QVERIFY(std::abs(recipe["angle"].toDouble()) <= 3);
        angles.insert(recipe["angle"].toDouble());
        const QJsonObject first = QJsonDocument::fromJson(line).object()["lines"].toArray()[0].toObject()["chars"].toArray()[0].toObject();
        QCOMPARE(first["quad"].toArray().size(), 4);
    }
    // Each picture its own angle.
    QCOMPARE(angles.size(), manifest.size());
}

void TestPageEffects::paperScansUnderTheText()
{
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkdir("scans"));
    QVERIFY(QDir(folder.path()).mkdir("empty"));
    // A scan smaller than the page, in two tones: it repeats under the text.
    QImage scan(50, 40, QImage::Format_RGB32);
    scan.fill(qRgb(200, 190, 170));
    for (int x = 0; x < 50; ++x)
        scan.setPixel(x, 0, qRgb(100, 100, 100));
    QVERIFY(scan.save(folder.filePath("scans/grey.png")));
    QVERIFY(WriteBytes(folder.filePath("scans/notes.txt"), "not a picture\n"));
    QVERIFY(WriteBytes(folder.filePath("in.txt"), "On paper\n"));
    const Run run = RunRender(folder.path(), {"--paper-images", "scans", "--seed", "3", "--page", "200x100",
                                              "--ground-truth", "m.jsonl", "in.txt", "out.png"});
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.exitCode, 0);
    const QImage page(folder.filePath("out.png"));
    // White times the scan is the scan; its darker row every 40 rows.
    QCOMPARE(page.pixel(150, 70), qRgb(200, 190, 170));
    QCOMPARE(page.pixel(150, 40), qRgb(100, 100, 100));
    QCOMPARE(page.pixel(150, 80), qRgb(100, 100, 100));
    const QJsonObject look = QJsonDocument::fromJson(ReadBytes(folder.filePath("m.jsonl"))).object()["look"].toObject();
    QCOMPARE(look["paperImage"].toString(), QStringLiteral("grey.png"));
    QCOMPARE(look["paperAt"].toArray(), (QJsonArray{0, 0}));

    const Run none = RunRender(folder.path(), {"--paper-images", "empty", "in.txt", "none.png"});
    QCOMPARE(none.exitCode, 2);
    QCOMPARE(none.err, QByteArray("lumo-render: --paper-images: no picture in 'empty' can be read (see lumo-render --help)\n"));
    const Run file = RunRender(folder.path(), {"--paper-images", "in.txt", "in.txt", "none.png"});
    QCOMPARE(file.exitCode, 2);
    QCOMPARE(file.err, QByteArray("lumo-render: --paper-images: not a folder: 'in.txt' (see lumo-render --help)\n"));
    QVERIFY(!QFile::exists(folder.filePath("none.png")));
}

QTEST_MAIN(TestPageEffects)
#include "tst_pageeffects.moc"
