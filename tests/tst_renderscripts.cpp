// lumo-render with text in any script: 8-bit runs give the files they gave
// before Unicode text came, UTF-8 runs write their ground truth in Unicode,
// and every text that cannot be drawn honestly is refused with a message
// and nothing written.

#include "RenderRun.h"
#include "TestFiles.h"

#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// The manifest with the program's version taken out, which the stored
// files cannot know.
QByteArray manifestWithoutVersion(const QString &path)
{
    QByteArray bytes = ReadBytes(path);
    static const QRegularExpression version(QStringLiteral("\"version\":\"[^\"]*\""));
    return QString::fromUtf8(bytes).replace(version, QStringLiteral("\"version\":\"\"")).toUtf8();
}

const QString greek = QStringLiteral("Καλημέρα κόσμε\nΞεσκεπάζω\n");
const QString chinese = QStringLiteral("中文字体\n你好\n");

bool hasFont(const QString &family)
{
    return QFontDatabase::families().contains(family);
}

} // namespace

class TestRenderScripts : public QObject
{
    Q_OBJECT

private slots:
    void eightBitRunsKeepTheirBytes_data();
    void eightBitRunsKeepTheirBytes();
    void unicodeGroundTruth();
    void textThatCannotBeDrawnIsRefused_data();
    void textThatCannotBeDrawnIsRefused();
    void missingGlyphsSkippedOrFallenBack();
    void listFontsFindsAFontForAScript();
    void anUnknownFontIsNamed();
    void lineImagesShowTheirOwnLineOnly();
};

void TestRenderScripts::eightBitRunsKeepTheirBytes_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("files");

    // Made by the build before the engine drew Unicode text.
    QTest::newRow("Windows-1252, pages, jitter and noise")
        << QStringList{"--seed", "5", "--page", "260x120", "--jitter-x", "2", "--jitter-y", "1", "--noise", "2",
                       "--ground-truth", "western.jsonl", "--boxes", "bytes.txt", "western.png"}
        << QStringList{"western11.png", "western12.png", "western11.box", "western12.box", "western.jsonl"};
    QTest::newRow("Cyrillic charset")
        << QStringList{"--seed", "6", "--charset", "204", "--size", "10", "--page", "300x400", "--ground-truth",
                       "cyrillic.jsonl", "--boxes", "bytes.txt", "cyrillic.png"}
        << QStringList{"cyrillic.png", "cyrillic.box", "cyrillic.jsonl"};
}

void TestRenderScripts::eightBitRunsKeepTheirBytes()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, files);
    QTemporaryDir folder;
    const QString stored = QStringLiteral(LUMO_TEST_DATA "/eightbit/");
    QVERIFY(QFile::copy(stored + "bytes.txt", folder.filePath("bytes.txt")));
    const Run run = RunRender(folder.path(), QStringList{"--settings", "none.ini"} + arguments);
    QVERIFY(run.finished);
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.exitCode, 0);
    for (const QString &file : files) {
        const bool manifest = file.endsWith(".jsonl");
        const QByteArray got = manifest ? manifestWithoutVersion(folder.filePath(file)) : ReadBytes(folder.filePath(file));
        const QByteArray want = manifest ? manifestWithoutVersion(stored + file) : ReadBytes(stored + file);
        QVERIFY2(!want.isEmpty(), qPrintable(file));
        QVERIFY2(got == want, qPrintable(file + QStringLiteral(" differs from the stored one")));
    }
}

void TestRenderScripts::unicodeGroundTruth()
{
    if (!hasFont("Noto Sans"))
        QSKIP("the font \"Noto Sans\" (fonts-noto-core) is not installed");
    QTemporaryDir folder;
    // A byte-order mark first, a decomposed letter with its mark.
    writeFile(folder.filePath("greek.txt"), "\xEF\xBB\xBF" + greek.toUtf8() + "e\xCC\x81\n");
    const Run run = RunRender(folder.path(), {"--encoding", "UTF-8", "--font", "Noto Sans", "--size", "12", "--seed",
                                              "1", "--ground-truth", "m.jsonl", "--boxes", "--lines", "lines",
                                              "greek.txt", "greek.png"});
    QVERIFY(run.finished);
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(run.exitCode, 0);

    const QJsonObject picture = QJsonDocument::fromJson(ReadBytes(folder.filePath("m.jsonl"))).object();
    const QJsonArray lines = picture["lines"].toArray();
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0].toObject()["text"].toString(), QStringLiteral("Καλημέρα κόσμε"));
    const QJsonObject kappa = lines[0].toObject()["chars"].toArray()[0].toObject();
    QCOMPARE(kappa["text"].toString(), QStringLiteral("Κ"));
    QCOMPARE(kappa["codepoints"].toArray(), QJsonArray{0x039A});
    QVERIFY(!kappa.contains("byte"));
    QVERIFY(!kappa.contains("font"));
    const QJsonObject accented = lines[2].toObject()["chars"].toArray()[0].toObject();
    QCOMPARE(accented["codepoints"].toArray(), (QJsonArray{0x65, 0x301}));
    QCOMPARE(accented["text"].toString(), QStringLiteral("e\u0301"));

    // A box a cluster, in UTF-8; the line texts too.
    const QList<QByteArray> boxes = ReadBytes(folder.filePath("greek.box")).split('\n');
    QVERIFY(boxes[0].startsWith("\xCE\x9A "));
    QVERIFY(ReadBytes(folder.filePath("greek.box")).contains("e\xCC\x81 "));
    QCOMPARE(ReadBytes(folder.filePath("lines/greek-0000.gt.txt")), QByteArray("Καλημέρα κόσμε"));
}

void TestRenderScripts::textThatCannotBeDrawnIsRefused_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");

    QTest::newRow("an unknown encoding")
        << QStringList{"--encoding", "latin1"} << QByteArray("abc\n") << 2
        << "lumo-render: --encoding: not an encoding (utf-8, cp874, cp1250, cp1251, cp1252, cp1253, cp1254, cp1255, "
           "cp1256, cp1257, cp1258): 'latin1' (see lumo-render --help)";
    QTest::newRow("bytes that are not UTF-8")
        << QStringList{"--encoding", "utf8"} << QByteArray("Gr\xC3\xBC\xC3\n\xFF") << 1
        << "lumo-render: 'in.txt': not valid UTF-8 at line 1, byte offset 5 (byte 0x0a)";
    QTest::newRow("Arabic")
        << QStringList{"--encoding", "utf-8"} << QByteArray("ok\n\xD8\xB3\xD9\x84\xD8\xA7\xD9\x85\n") << 1
        << "lumo-render: 'in.txt': the text holds Arabic, whose letters join or reorder and cannot be drawn one by "
           "one: U+0633 \"\u0633\" on line 2";
    QTest::newRow("characters Arial lacks")
        << QStringList{"--encoding", "utf-8"} << chinese.toUtf8() << 1
        << "lumo-render: the font \"Arial\" has no glyph for 6 characters of the text: U+4E2D \"中\" on line 1, "
           "U+6587 \"文\" on line 1, U+5B57 \"字\" on line 1, U+4F53 \"体\" on line 1, U+4F60 \"你\" on line 2, ... "
           "(--missing-glyphs fallback or skip draws the text; --list-fonts finds a font)";
    QTest::newRow("--list-fonts with an OUTPUT")
        << QStringList{"--list-fonts"} << QByteArray("abc\n") << 2
        << "lumo-render: --list-fonts: lists the fonts that cover INPUT and draws nothing: give no OUTPUT (see "
           "lumo-render --help)";
}

void TestRenderScripts::textThatCannotBeDrawnIsRefused()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, text);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QTemporaryDir folder;
    writeFile(folder.filePath("in.txt"), text);
    const Run run = RunRender(folder.path(), options + QStringList{"--ground-truth", "m.jsonl", "in.txt", "out.png"});
    QVERIFY(run.finished);
    QCOMPARE(QString::fromUtf8(run.err), message + u'\n');
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(run.out, QByteArray());
    QCOMPARE(AllEntries(folder.path()), QStringList{"in.txt"});
}

void TestRenderScripts::missingGlyphsSkippedOrFallenBack()
{
    if (!hasFont("WenQuanYi Micro Hei"))
        QSKIP("no CJK font (fonts-wqy-microhei) is installed");
    QTemporaryDir folder;
    writeFile(folder.filePath("in.txt"), "A" + chinese.toUtf8());

    const Run skipped = RunRender(folder.path(), {"--encoding", "utf-8", "--missing-glyphs", "skip", "--seed", "1",
                                                  "--ground-truth", "skip.jsonl", "in.txt", "skip.png"});
    QCOMPARE(skipped.exitCode, 0);
    QCOMPARE(skipped.err, QByteArray("lumo-render: left out 6 characters the font \"Arial\" has no glyph for\n"));
    const QJsonArray skippedLines = QJsonDocument::fromJson(ReadBytes(folder.filePath("skip.jsonl"))).object()["lines"].toArray();
    QCOMPARE(skippedLines.size(), 1);
    QCOMPARE(skippedLines[0].toObject()["text"].toString(), QStringLiteral("A"));

    const Run fallen = RunRender(folder.path(), {"--encoding", "utf-8", "--missing-glyphs", "fallback", "--seed", "1",
                                                 "--ground-truth", "fallback.jsonl", "in.txt", "fallback.png"});
    QCOMPARE(fallen.exitCode, 0);
    QVERIFY2(fallen.err.startsWith("lumo-render: drew 6 characters the font \"Arial\" has no glyph for with \""),
             fallen.err.constData());
    const QJsonArray lines = QJsonDocument::fromJson(ReadBytes(folder.filePath("fallback.jsonl"))).object()["lines"].toArray();
    QCOMPARE(lines.size(), 2);
    const QJsonArray first = lines[0].toObject()["chars"].toArray();
    QVERIFY(!first[0].toObject().contains("font"));
    const QJsonObject zhong = first[1].toObject();
    QCOMPARE(zhong["text"].toString(), QStringLiteral("中"));
    QVERIFY(!zhong["font"].toString().isEmpty());
    QVERIFY2(fallen.err.contains(zhong["font"].toString().toUtf8()), fallen.err.constData());
    // A glyph was drawn for it: its ink is there.
    QVERIFY(zhong["ink"].isArray());
}

void TestRenderScripts::listFontsFindsAFontForAScript()
{
    if (!hasFont("WenQuanYi Micro Hei"))
        QSKIP("no CJK font (fonts-wqy-microhei) is installed");
    QTemporaryDir folder;
    writeFile(folder.filePath("zh.txt"), chinese.toUtf8());
    const Run run = RunRender(folder.path(), {"--list-fonts", "zh.txt"});
    QCOMPARE(run.exitCode, 0);
    const QStringList families = QString::fromUtf8(run.out).split(u'\n', Qt::SkipEmptyParts);
    QVERIFY2(families.contains("WenQuanYi Micro Hei"), run.out.constData());
    QVERIFY(!families.contains("Liberation Sans"));
    QVERIFY(families.size() < QFontDatabase::families().size());

    writeFile(folder.filePath("nothing.txt"), "\xEE\x80\x80\n"); // a private-use character
    const Run none = RunRender(folder.path(), {"--list-fonts", "nothing.txt"});
    QCOMPARE(none.exitCode, 1);
    QCOMPARE(none.err, QByteArray("lumo-render: no font has a glyph for every character of 'nothing.txt'\n"));
}

void TestRenderScripts::anUnknownFontIsNamed()
{
    QTemporaryDir folder;
    writeFile(folder.filePath("in.txt"), "abc\n");
    const Run run = RunRender(folder.path(), {"--font", "No Such Font Family", "in.txt"});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.err.startsWith("lumo-render: there is no font \"No Such Font Family\"; drawing with \""),
             run.err.constData());
    // Arial's metric-compatible stand-in is no news.
    const Run arial = RunRender(folder.path(), {"--font", "Arial", "in.txt"});
    QCOMPARE(arial.err, QByteArray());
}

void TestRenderScripts::lineImagesShowTheirOwnLineOnly()
{
    // Descenders above, accents below: each reaches into the next line's margin.
    QTemporaryDir folder;
    writeFile(folder.filePath("in.txt"), "gjpqy gjpqy\n\xC4\xD6\xDC \xC4\xD6\xDC\ngjpqy\n");
    const Run run = RunRender(folder.path(), {"--seed", "2", "--size", "14", "--page", "300x200", "--ground-truth",
                                              "m.jsonl", "--lines", "lines", "in.txt", "out.png"});
    QCOMPARE(run.exitCode, 0);
    const QJsonArray lines = QJsonDocument::fromJson(ReadBytes(folder.filePath("m.jsonl"))).object()["lines"].toArray();
    QCOMPARE(lines.size(), 3);
    const QImage page(folder.filePath("out.png"));
    for (qsizetype l = 0; l < lines.size(); ++l) {
        const QJsonArray b = lines[l].toObject()["box"].toArray();
        const QRect box(b[0].toInt(), b[1].toInt(), b[2].toInt(), b[3].toInt());
        const int margin = 9; // half the 19 pixel font
        const QRect cut = box.adjusted(-margin, -margin, margin, margin).intersected(page.rect());
        const QImage image(folder.filePath(QStringLiteral("lines/out-%1.png").arg(l, 4, 10, QLatin1Char('0'))));
        QCOMPARE(image.size(), cut.size());
        int shown = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const bool own = box.contains(cut.left() + x, cut.top() + y);
                if (image.pixel(x, y) != qRgb(255, 255, 255)) {
                    QVERIFY2(own, qPrintable(QStringLiteral("line %1 shows ink of another line at (%2, %3)").arg(l).arg(x).arg(y)));
                    ++shown;
                }
                // Inside its box the line image is the picture.
                if (own)
                    QCOMPARE(image.pixel(x, y), page.pixel(cut.left() + x, cut.top() + y));
            }
        }
        QVERIFY(shown > 0);
    }
}

QTEST_MAIN(TestRenderScripts)
#include "tst_renderscripts.moc"
