#include "BmpEncoder.h"
#include "ErrorMessage.h"
#include "ImageCompare.h"
#include "LumoError.h"
#include "CompactPicture.h"
#include "PngEncoder.h"
#include "TestFiles.h"
#include "WorkingFolder.h"
#include "konvpng.h"

#include <QDir>
#include <QImageReader>
#include <QSaveFile>
#include <QtTest>

#include <optional>
#include <zlib.h>

namespace {

QImage Pattern(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb((x * 37 + y) & 0xFF, (y * 11 + 3) & 0xFF, (x * 5 + y * 7 + 100) & 0xFF));
    return image;
}

// A picture with the given number of colours, each in its own run of
// pixels; grey ones when asked.
QImage WithColours(int colours, bool grey)
{
    QImage image(37, 29, QImage::Format_RGB32);
    for (int i = 0; i < image.width() * image.height(); ++i) {
        const int c = (i * colours) / (image.width() * image.height());
        const QRgb rgb = grey ? qRgb(c, c, c) : qRgb(c & 0xFF, (c * 7) & 0xFF, c >> 8);
        image.setPixel(i % image.width(), i / image.width(), rgb);
    }
    return image;
}

} // namespace

class TestKonvPng : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void grainIsHuffmanCodedAlone();

    void convertsProgramBitmap_data();
    void convertsProgramBitmap();
    void convertsOtherBitmaps_data();
    void convertsOtherBitmaps();
    void emptyBitmapGivesEmptyPng();
    void pictureAboveQtsReadLimit();
    void pictureTallerThanQtReadsBitmaps();
    void existingPngReplaced();
    void missingBmp();
    void unreadableBmpLeftInPlace();
    void blockedPngLeavesBmpInPlace();
    void pngKindFollowsTheColours_data();
    void pngKindFollowsTheColours();

private:
    std::optional<WorkingFolder> m_folder;
};

void TestKonvPng::init()
{
    m_folder.emplace();
    QVERIFY(m_folder->isValid());
}

void TestKonvPng::cleanup()
{
    m_folder.reset();
}

void TestKonvPng::convertsProgramBitmap_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("one pixel") << QSize(1, 1);
    QTest::newRow("odd width") << QSize(5, 3);
    QTest::newRow("page") << QSize(308, 400);
}

void TestKonvPng::convertsProgramBitmap()
{
    QFETCH(QSize, size);

    const QImage picture = Pattern(size.width(), size.height());
    QVERIFY(WriteBytes(QStringLiteral("page.bmp"), EncodeBmp(picture)));

    BmpToPng(QStringLiteral("page.bmp"), QStringLiteral("page.png"));

    QVERIFY(!QFileInfo::exists(QStringLiteral("page.bmp")));
    QImageReader reader(QStringLiteral("page.png"));
    reader.setDecideFormatFromContent(true);
    QCOMPARE(reader.format(), QByteArray("png"));
    // Same pixels; the PNG keeps them in the smallest kind that holds them.
    const QImage loaded = reader.read().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(ImageDifference(loaded, picture), QString());
}

void TestKonvPng::convertsOtherBitmaps_data()
{
    QTest::addColumn<QImage::Format>("format");
    QTest::newRow("24 bits a pixel, padded rows") << QImage::Format_RGB888;
    QTest::newRow("8 bits a pixel with a colour table") << QImage::Format_Indexed8;
}

void TestKonvPng::convertsOtherBitmaps()
{
    QFETCH(QImage::Format, format);

    // Any BMP file Qt reads will do, not only the ones the program writes.
    const QImage picture = Pattern(7, 5).convertToFormat(format);
    QVERIFY(picture.save(QStringLiteral("other.bmp"), "BMP"));

    BmpToPng(QStringLiteral("other.bmp"), QStringLiteral("other.png"));

    QVERIFY(!QFileInfo::exists(QStringLiteral("other.bmp")));
    QImage loaded;
    QVERIFY(loaded.load(QStringLiteral("other.png"), "PNG"));
    QCOMPARE(ImageDifference(loaded, picture), QString());
}

void TestKonvPng::emptyBitmapGivesEmptyPng()
{
    // The program writes a picture of 0 x 0 pixels as an empty BMP file.
    QVERIFY(WriteBytes(QStringLiteral("empty.bmp"), EncodeBmp(QImage())));
    QCOMPARE(QFileInfo(QStringLiteral("empty.bmp")).size(), qint64(0));

    BmpToPng(QStringLiteral("empty.bmp"), QStringLiteral("empty.png"));

    QVERIFY(QFileInfo(QStringLiteral("empty.png")).isFile());
    QCOMPARE(QFileInfo(QStringLiteral("empty.png")).size(), qint64(0));
    QVERIFY(!QFileInfo::exists(QStringLiteral("empty.bmp")));
}

void TestKonvPng::pictureAboveQtsReadLimit()
{
    // 5800 x 5800 x 4 bytes is over the 128 MB that Qt reads by default.
    QImage picture(5800, 5800, QImage::Format_RGB32);
    picture.fill(qRgb(255, 255, 255));
    picture.setPixel(5799, 5799, qRgb(0, 0, 255));
    QVERIFY(WriteBytes(QStringLiteral("big.bmp"), EncodeBmp(picture)));
    BmpToPng(QStringLiteral("big.bmp"), QStringLiteral("big.png"));
    QVERIFY(!QFile::exists(QStringLiteral("big.bmp")));
    QImageReader reader(QStringLiteral("big.png"));
    QCOMPARE(reader.size(), QSize(5800, 5800));
    QImageReader::setAllocationLimit(0);
    const QImage png = reader.read();
    QImageReader::setAllocationLimit(128);
    QCOMPARE(png.pixel(5799, 5799), qRgb(0, 0, 255));
    QCOMPARE(png.pixel(0, 0), qRgb(255, 255, 255));
    QCOMPARE(QImageReader::allocationLimit(), 128);
}

void TestKonvPng::pictureTallerThanQtReadsBitmaps()
{
    // A one-picture result is soon taller than the 16384 rows that Qt's
    // bitmap reader takes; the bitmaps the program writes are converted anyway.
    QImage picture(3, 20000, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x * 100, y % 256, (y / 256) % 256));
    QVERIFY(WriteBytes(QStringLiteral("tall.bmp"), EncodeBmp(picture)));
    BmpToPng(QStringLiteral("tall.bmp"), QStringLiteral("tall.png"));
    QVERIFY(!QFile::exists(QStringLiteral("tall.bmp")));
    QImage png;
    QVERIFY(png.load(QStringLiteral("tall.png"), "PNG"));
    QCOMPARE(ImageDifference(png.convertToFormat(QImage::Format_RGB32), picture), QString());
}

void TestKonvPng::existingPngReplaced()
{
    QVERIFY(WriteBytes(QStringLiteral("page.png"), QByteArray(200000, 'x')));
    const QImage picture = Pattern(9, 4);
    QVERIFY(WriteBytes(QStringLiteral("page.bmp"), EncodeBmp(picture)));

    BmpToPng(QStringLiteral("page.bmp"), QStringLiteral("page.png"));

    QImage loaded;
    QVERIFY(loaded.load(QStringLiteral("page.png"), "PNG"));
    QCOMPARE(ImageDifference(loaded.convertToFormat(QImage::Format_RGB32), picture), QString());
    QVERIFY(QFileInfo(QStringLiteral("page.png")).size() < 200000);
}

void TestKonvPng::missingBmp()
{
    const QString message = MessageOf([] { BmpToPng(QStringLiteral("none.bmp"), QStringLiteral("none.png")); });

    QCOMPARE(message, OpenMessage(AbsoluteNativePath(QStringLiteral("none.bmp")), QStringLiteral("No such file or directory")));
    QVERIFY(!QFileInfo::exists(QStringLiteral("none.png")));
}

void TestKonvPng::unreadableBmpLeftInPlace()
{
    const QByteArray garbage("BM this is no bitmap at all, only text that starts like one");
    QVERIFY(WriteBytes(QStringLiteral("bad.bmp"), garbage));
    const QByteArray earlierPng("an earlier PNG file");
    QVERIFY(WriteBytes(QStringLiteral("bad.png"), earlierPng));

    const QString message = MessageOf([] { BmpToPng(QStringLiteral("bad.bmp"), QStringLiteral("bad.png")); });

    QVERIFY2(message.startsWith(OpenMessage(AbsoluteNativePath(QStringLiteral("bad.bmp")), QString())),
             qPrintable(message));
    QVERIFY(message.size() > OpenMessage(AbsoluteNativePath(QStringLiteral("bad.bmp")), QString()).size());
    QCOMPARE(ReadBytes(QStringLiteral("bad.bmp")), garbage);
    QCOMPARE(ReadBytes(QStringLiteral("bad.png")), earlierPng);
}

void TestKonvPng::blockedPngLeavesBmpInPlace()
{
    const QByteArray bmp = EncodeBmp(Pattern(3, 3));
    QVERIFY(WriteBytes(QStringLiteral("page.bmp"), bmp));
    QVERIFY(QDir().mkdir(QStringLiteral("page.png")));

    const QString message = MessageOf([] { BmpToPng(QStringLiteral("page.bmp"), QStringLiteral("page.png")); });

    QSaveFile blocked(QStringLiteral("page.png"));
    QVERIFY(!blocked.open(QIODevice::WriteOnly));
    QCOMPARE(message,
             CreationMessage(AbsoluteNativePath(QStringLiteral("page.png")), blocked.errorString()));
    QCOMPARE(ReadBytes(QStringLiteral("page.bmp")), bmp);
}

void TestKonvPng::pngKindFollowsTheColours_data()
{
    QTest::addColumn<int>("colours");
    QTest::addColumn<bool>("grey");
    QTest::addColumn<bool>("palettePicture");
    QTest::addColumn<int>("colourType");
    QTest::addColumn<int>("bitDepth");

    // IHDR colour types: 0 grey, 2 RGB, 3 palette.
    QTest::newRow("greys") << 200 << true << false << 0 << 8;
    QTest::newRow("greys kept with a palette") << 200 << true << true << 0 << 8;
    QTest::newRow("two colours") << 2 << false << false << 3 << 1;
    QTest::newRow("four colours") << 4 << false << false << 3 << 2;
    QTest::newRow("sixteen colours") << 16 << false << false << 3 << 4;
    QTest::newRow("17 colours kept with a palette") << 17 << false << true << 3 << 8;
    QTest::newRow("256 colours") << 256 << false << false << 3 << 8;
    QTest::newRow("257 colours") << 257 << false << false << 2 << 8;
}

void TestKonvPng::pngKindFollowsTheColours()
{
    QFETCH(int, colours);
    QFETCH(bool, grey);
    QFETCH(bool, palettePicture);
    QFETCH(int, colourType);
    QFETCH(int, bitDepth);

    const QImage picture = WithColours(colours, grey);
    const QByteArray png = EncodePng(palettePicture ? CompactPicture(picture) : picture);
    QVERIFY(png.startsWith("\x89PNG\r\n\x1a\n\0\0\0\rIHDR"));
    QCOMPARE(int(quint8(png[24])), bitDepth);
    QCOMPARE(int(quint8(png[25])), colourType);
    QImage decoded;
    QVERIFY(decoded.loadFromData(png, "PNG"));
    QCOMPARE(ImageDifference(decoded.convertToFormat(QImage::Format_RGB32), picture), QString());
}

namespace {

// The bytes of a PNG's IDAT chunks, counted.
qsizetype idatBytes(const QByteArray &png)
{
    qsizetype total = 0;
    for (qsizetype at = 8; at + 8 <= png.size();) {
        const auto length = static_cast<qsizetype>(qFromBigEndian<quint32>(png.constData() + at));
        if (png.mid(at + 4, 4) == "IDAT")
            total += length;
        at += 12 + length;
    }
    return total;
}

// How many bytes zlib makes of a grey picture's unfiltered rows at level 1
// with the strategy given (neither strategy looks further back than the
// byte before, so the window libpng picks does not change the count).
qsizetype deflatedBytes(const QImage &grey, int strategy)
{
    QByteArray rows;
    for (int y = 0; y < grey.height(); ++y) {
        rows.append('\0');
        for (int x = 0; x < grey.width(); ++x)
            rows.append(static_cast<char>(qBlue(grey.pixel(x, y))));
    }
    z_stream stream{};
    deflateInit2(&stream, 1, Z_DEFLATED, 15, 8, strategy);
    QByteArray out(static_cast<qsizetype>(deflateBound(&stream, static_cast<uLong>(rows.size()))), '\0');
    stream.next_in = reinterpret_cast<Bytef *>(rows.data());
    stream.avail_in = static_cast<uInt>(rows.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    const auto written = static_cast<qsizetype>(stream.total_out);
    deflateEnd(&stream);
    return written;
}

} // namespace

void TestKonvPng::grainIsHuffmanCodedAlone()
{
    // A clean page of text: long runs of white, found by run-length coding.
    QImage clean(300, 200, QImage::Format_RGB32);
    clean.fill(qRgb(255, 255, 255));
    for (int y = 20; y < 180; y += 14)
        for (int x = 10; x < 290; x += 3)
            clean.setPixel(x, y + x % 9, qRgb(40, 40, 40));
    // A scanned page: grain on every pixel, hardly a level repeats.
    QImage grain(300, 200, QImage::Format_RGB32);
    std::uint32_t state = 5;
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 300; ++x) {
            state = state * 1664525u + 1013904223u;
            const int level = 235 + static_cast<int>((state >> 24) % 6);
            grain.setPixel(x, y, qRgb(level, level, level));
        }
    }
    for (const QImage *picture : {&clean, &grain}) {
        const QByteArray png = EncodePng(*picture);
        QImage decoded;
        QVERIFY(decoded.loadFromData(png, "PNG"));
        QCOMPARE(ImageDifference(decoded.convertToFormat(QImage::Format_RGB32), *picture), QString());
    }
    QCOMPARE(idatBytes(EncodePng(clean)), deflatedBytes(clean, Z_RLE));
    QCOMPARE(idatBytes(EncodePng(grain)), deflatedBytes(grain, Z_HUFFMAN_ONLY));
    QVERIFY(deflatedBytes(grain, Z_HUFFMAN_ONLY) != deflatedBytes(grain, Z_RLE));
}

QTEST_MAIN(TestKonvPng)
#include "tst_konvpng.moc"
