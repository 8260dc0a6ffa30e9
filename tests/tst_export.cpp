#include "BmpEncoder.h"
#include "ErrorMessage.h"
#include "ImageCompare.h"
#include "JpegWriter.h"
#include "LumoError.h"
#include "PageConversion.h"
#include "PictureExport.h"
#include "PictureStack.h"
#include "RenderSettings.h"
#include "TestFiles.h"
#include "WorkingFolder.h"

#include <QDir>
#include <QSaveFile>
#include <QtEndian>
#include <QtTest>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <optional>

#ifdef Q_OS_UNIX
#include <sys/mman.h>
#endif

Q_DECLARE_METATYPE(PictureFormat)

namespace {

quint32 Le32(const QByteArray &bytes, int at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

quint16 Le16(const QByteArray &bytes, int at)
{
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

int Be16(const QByteArray &bytes, int at)
{
    return qFromBigEndian<quint16>(bytes.constData() + at);
}

int Byte(const QByteArray &bytes, int at)
{
    return static_cast<unsigned char>(bytes.at(at));
}

// A picture whose every pixel differs from its neighbours, so that a swapped
// channel, a flipped row order or a shifted row shows.
void PaintPattern(PictureControl &picture, int width, int height)
{
    picture.SetBounds(0, 0, width, height);
    Canvas &canvas = picture.GetCanvas();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            canvas.SetPixelRgb(x, y, qRgb((x * 37 + y) & 0xFF, (y * 11 + 3) & 0xFF, (x * 5 + y * 7 + 100) & 0xFF));
}

// Four flat quadrants in colours that differ in every channel.
constexpr QRgb QuadrantColours[4] = {0xFFE01010, 0xFF10C020, 0xFF2030D0, 0xFFF0E040};

void PaintQuadrants(PictureControl &picture, int size)
{
    picture.SetBounds(0, 0, size, size);
    Canvas &canvas = picture.GetCanvas();
    const int half = size / 2;
    for (int q = 0; q < 4; ++q) {
        const QRgb rgb = QuadrantColours[q];
        canvas.BrushColor = static_cast<Colour>(qRed(rgb) | qGreen(rgb) << 8 | qBlue(rgb) << 16);
        const int left = (q % 2) * half;
        const int top = (q / 2) * half;
        canvas.FillRect({left, top, left + half, top + half});
    }
}

// The base tables of Annex K (K.1 luminance, K.2 chrominance) in natural
// row order, as the JPEG standard prints them.
constexpr std::array<int, 64> AnnexKLuminance = {
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
constexpr std::array<int, 64> AnnexKChrominance = {
    17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99, 24, 26, 56, 99, 99, 99,
    99, 99, 47, 66, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

// The count of codes of each length 1..16 in the Annex K Huffman tables
// (K.3 to K.6): optimised tables would differ.
constexpr std::array<int, 16> DcLuminanceBits = {0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
constexpr std::array<int, 16> DcChrominanceBits = {0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0};
constexpr std::array<int, 16> AcLuminanceBits = {0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7d};
constexpr std::array<int, 16> AcChrominanceBits = {0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77};

// DQT lists the 64 values in zig-zag order: position k holds the value of
// natural index ZigZag()[k].
std::array<int, 64> ZigZag()
{
    std::array<int, 64> order{};
    int k = 0;
    for (int diagonal = 0; diagonal < 15; ++diagonal) {
        const int first = std::max(0, diagonal - 7);
        const int last = std::min(diagonal, 7);
        if (diagonal % 2 == 0) {
            for (int row = last; row >= first; --row)
                order[k++] = row * 8 + diagonal - row;
        } else {
            for (int row = first; row <= last; ++row)
                order[k++] = row * 8 + diagonal - row;
        }
    }
    return order;
}

// The IJG scaling of a base table for quality 90, limited to 8-bit values
// as baseline demands; in zig-zag order as it is written.
std::array<int, 64> ScaledForQuality90(const std::array<int, 64> &base)
{
    const int scale = 200 - 2 * 90;
    const std::array<int, 64> order = ZigZag();
    std::array<int, 64> table{};
    for (int k = 0; k < 64; ++k)
        table[k] = std::clamp((base[order[k]] * scale + 50) / 100, 1, 255);
    return table;
}

struct JpegSegment
{
    int marker = 0;
    QByteArray payload;
};

struct JpegStructure
{
    std::vector<JpegSegment> segments;
    bool restartMarkerInScan = false;
    bool endsWithEoi = false;
};

// Splits a JPEG file into its marker segments up to the scan, then walks the
// entropy-coded data (where 0xFF is followed by a stuffed 0x00) to its end.
std::optional<JpegStructure> ParseJpeg(const QByteArray &bytes)
{
    if (bytes.size() < 4 || Byte(bytes, 0) != 0xFF || Byte(bytes, 1) != 0xD8)
        return std::nullopt;
    JpegStructure jpeg;
    int at = 2;
    while (at + 4 <= bytes.size()) {
        if (Byte(bytes, at) != 0xFF)
            return std::nullopt;
        const int marker = Byte(bytes, at + 1);
        const int length = Be16(bytes, at + 2);
        if (length < 2 || at + 2 + length > bytes.size())
            return std::nullopt;
        jpeg.segments.push_back({marker, bytes.mid(at + 4, length - 2)});
        at += 2 + length;
        if (marker != 0xDA)
            continue;
        while (at + 1 < bytes.size()) {
            if (Byte(bytes, at) == 0xFF && Byte(bytes, at + 1) != 0x00) {
                const int next = Byte(bytes, at + 1);
                if (next >= 0xD0 && next <= 0xD7) {
                    jpeg.restartMarkerInScan = true;
                    at += 2;
                    continue;
                }
                jpeg.endsWithEoi = next == 0xD9 && at + 2 == bytes.size();
                return jpeg;
            }
            ++at;
        }
        return std::nullopt;
    }
    return std::nullopt;
}

std::vector<const JpegSegment *> SegmentsOf(const JpegStructure &jpeg, int marker)
{
    std::vector<const JpegSegment *> found;
    for (const JpegSegment &segment : jpeg.segments)
        if (segment.marker == marker)
            found.push_back(&segment);
    return found;
}

// Mean absolute difference of one channel over the whole picture.
double MeanDifference(const QImage &a, const QImage &b, int (*channel)(QRgb))
{
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            sum += std::abs(channel(a.pixel(x, y)) - channel(b.pixel(x, y)));
    return sum / (static_cast<double>(a.width()) * a.height());
}

QStringList BmpFilesIn(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("*.bmp")}, QDir::Files | QDir::Hidden, QDir::Name);
}

QString Reason(const QString &message, const QString &fullName)
{
    const QString prefix = CreationMessage(fullName, QString());
    return message.startsWith(prefix) ? message.mid(prefix.size()) : QStringLiteral("<not this file: %1>").arg(message);
}

// Why a picture of width x height pixels gets no BMP file.
QString BmpTooLarge(qint64 width, qint64 height)
{
    return QStringLiteral("A picture of %1 x %2 pixels is larger than a BMP file can hold (at most 4294967295 bytes)")
        .arg(width)
        .arg(height);
}

#ifdef Q_OS_UNIX
// Pixels that may not be read, in address space that takes no memory: a
// picture on them has its size, and reading any of its pixels crashes the
// test.
class UnreadablePixels
{
public:
    explicit UnreadablePixels(std::size_t size)
        : m_size(size), m_data(mmap(nullptr, size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0))
    {
    }
    ~UnreadablePixels()
    {
        if (valid())
            munmap(m_data, m_size);
    }
    UnreadablePixels(const UnreadablePixels &) = delete;
    UnreadablePixels &operator=(const UnreadablePixels &) = delete;

    bool valid() const { return m_data != MAP_FAILED; }
    const uchar *data() const { return static_cast<const uchar *>(m_data); }

private:
    std::size_t m_size;
    void *m_data;
};
#endif

// The reason that the system gives for a file that cannot be replaced.
// The system's reason why a file cannot take the place of a folder.
QString ReasonForBlockedName(const QString &fileName)
{
    if (!QFileInfo(fileName).isDir())
        return QStringLiteral("<not blocked>");
    return QString::fromLocal8Bit(std::strerror(EISDIR));
}

} // namespace

class TestExport : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void fileNames_data();
    void fileNames();
    void tenPicturesOnDisk_data();
    void tenPicturesOnDisk();
    void bmpFile_data();
    void bmpFile();
    void bmpSizeLimit_data();
    void bmpSizeLimit();
    void tooLargeForBmpKeepsEarlierPictures();
    void emptyPicture_data();
    void emptyPicture();
    void existingFileReplaced_data();
    void existingFileReplaced();
    void jpegStructure_data();
    void jpegStructure();
    void jpegDecodesToPicture();
    void jpegLibraryErrorRaised();
    void jpegWriterUsableAfterError();
    void pngPixelsEqual_data();
    void pngPixelsEqual();
    void pngKeepsUsersBmp_data();
    void pngKeepsUsersBmp();
    void pngFailureLeavesNoBmp();
    void missingFolder_data();
    void missingFolder();
    void blockedFileKeepsEarlierPictures_data();
    void blockedFileKeepsEarlierPictures();
    void failedWriteKeepsEarlierFile_data();
    void failedWriteKeepsEarlierFile();

private:
    std::optional<WorkingFolder> m_folder;
};

void TestExport::init()
{
    ResetRenderSettings();
    m_folder.emplace();
    QVERIFY(m_folder->isValid());
}

void TestExport::cleanup()
{
    m_folder.reset();
}

void TestExport::fileNames_data()
{
    QTest::addColumn<QString>("chosenPath");
    QTest::addColumn<int>("count");
    QTest::addColumn<PictureFormat>("format");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("no dot, one picture, jpg") << "/out/page" << 1 << PictureFormat::Jpeg << QStringList{"/out/page.jpg"};
    QTest::newRow("no dot, one picture, bmp") << "/out/page" << 1 << PictureFormat::Bmp << QStringList{"/out/page.bmp"};
    QTest::newRow("no dot, one picture, png") << "/out/page" << 1 << PictureFormat::Png << QStringList{"/out/page.png"};
    QTest::newRow("chosen extension replaced") << "/out/page.jpg" << 1 << PictureFormat::Png
                                               << QStringList{"/out/page.png"};
    QTest::newRow("a.b.c gives a") << "a.b.c" << 1 << PictureFormat::Bmp << QStringList{"a.bmp"};
    QTest::newRow("name starting with a dot") << "/out/.hidden" << 1 << PictureFormat::Jpeg
                                              << QStringList{"/out/.jpg"};
    QTest::newRow("two pictures start at 11") << "/out/page.jpg" << 2 << PictureFormat::Jpeg
                                              << QStringList{"/out/page11.jpg", "/out/page12.jpg"};
    QStringList ten;
    for (int i = 11; i <= 20; ++i)
        ten << QStringLiteral("/out/page%1.png").arg(i);
    QTest::newRow("ten pictures 11 to 20") << "/out/page.png" << 10 << PictureFormat::Png << ten;
    QTest::newRow("dot in folder kept whole") << "/home/u/my.docs/page.png" << 2 << PictureFormat::Png
                                              << QStringList{"/home/u/my.docs/page11.png", "/home/u/my.docs/page12.png"};
    QTest::newRow("dot in folder, name without dot") << "/home/u/my.docs/page" << 1 << PictureFormat::Jpeg
                                                     << QStringList{"/home/u/my.docs/page.jpg"};
    QTest::newRow("dots in relative folder and name") << "../x.y/a.b.c" << 1 << PictureFormat::Bmp
                                                      << QStringList{"../x.y/a.bmp"};
    QTest::newRow("no pictures") << "/out/page.jpg" << 0 << PictureFormat::Jpeg << QStringList{};
}

void TestExport::fileNames()
{
    QFETCH(QString, chosenPath);
    QFETCH(int, count);
    QFETCH(PictureFormat, format);
    QFETCH(QStringList, expected);

    const std::vector<QString> names = PictureFileNames(chosenPath, static_cast<std::size_t>(count), format);
    QCOMPARE(QStringList(names.begin(), names.end()), expected);
}

void TestExport::tenPicturesOnDisk_data()
{
    QTest::addColumn<PictureFormat>("format");
    QTest::addColumn<QString>("extension");
    QTest::newRow("jpg") << PictureFormat::Jpeg << ".jpg";
    QTest::newRow("bmp") << PictureFormat::Bmp << ".bmp";
    QTest::newRow("png") << PictureFormat::Png << ".png";
}

void TestExport::tenPicturesOnDisk()
{
    QFETCH(PictureFormat, format);
    QFETCH(QString, extension);

    std::vector<std::unique_ptr<PictureControl>> owned;
    std::vector<PictureControl *> pictures;
    for (int i = 0; i < 10; ++i) {
        owned.push_back(std::make_unique<PictureControl>());
        PaintPattern(*owned.back(), 8 + i, 5);
        pictures.push_back(owned.back().get());
    }
    const QString folder = m_folder->filePath(QStringLiteral("my.pictures"));
    QVERIFY(QDir().mkpath(folder));

    const std::vector<QString> written = SavePictures(pictures, folder + QStringLiteral("/scan.xyz"), format);

    QStringList expected;
    for (int i = 11; i <= 20; ++i)
        expected << QStringLiteral("scan%1").arg(i) + extension;
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name), expected);
    QCOMPARE(written.size(), std::size_t(10));
    QCOMPARE(written.front(), folder + QStringLiteral("/scan11") + extension);
    // Each file holds its own picture, in list order.
    if (format != PictureFormat::Jpeg) {
        for (int i = 0; i < 10; ++i) {
            const QImage loaded(written[static_cast<std::size_t>(i)]);
            QCOMPARE(loaded.width(), 8 + i);
        }
    }
}

void TestExport::bmpFile_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("one pixel") << 1 << 1;
    QTest::newRow("odd width needs no padding at 32 bits") << 5 << 3;
    QTest::newRow("one row") << 7 << 1;
    QTest::newRow("one column") << 1 << 6;
    QTest::newRow("page") << 308 << 400;
}

void TestExport::bmpFile()
{
    QFETCH(int, width);
    QFETCH(int, height);

    PictureControl picture;
    PaintPattern(picture, width, height);
    SavePictures({&picture}, QStringLiteral("page.bmp"), PictureFormat::Bmp);

    const QByteArray bytes = ReadBytes(QStringLiteral("page.bmp"));
    const qsizetype expectedSize = 54 + qsizetype(4) * width * height;
    QCOMPARE(bytes.size(), expectedSize);
    QCOMPARE(bytes.left(2), QByteArray("BM"));
    QCOMPARE(Le32(bytes, 2), quint32(expectedSize));
    QCOMPARE(Le16(bytes, 6), quint16(0));
    QCOMPARE(Le16(bytes, 8), quint16(0));
    QCOMPARE(Le32(bytes, 10), quint32(54));
    QCOMPARE(Le32(bytes, 14), quint32(40));
    QCOMPARE(Le32(bytes, 18), quint32(width));
    QCOMPARE(Le32(bytes, 22), quint32(height)); // positive: bottom-up
    QCOMPARE(Le16(bytes, 26), quint16(1));
    QCOMPARE(Le16(bytes, 28), quint16(32));
    QCOMPARE(Le32(bytes, 30), quint32(0)); // BI_RGB
    QCOMPARE(Le32(bytes, 34), quint32(4 * width * height));
    QCOMPARE(Le32(bytes, 38), quint32(0));
    QCOMPARE(Le32(bytes, 42), quint32(0));
    QCOMPARE(Le32(bytes, 46), quint32(0)); // no colour table
    QCOMPARE(Le32(bytes, 50), quint32(0));

    const QImage image = picture.Picture();
    for (int row = 0; row < height; ++row) {
        const int y = height - 1 - row;
        for (int x = 0; x < width; ++x) {
            const int at = 54 + (row * width + x) * 4;
            const QRgb expected = image.pixel(x, y);
            const QRgb actual = qRgba(Byte(bytes, at + 2), Byte(bytes, at + 1), Byte(bytes, at), Byte(bytes, at + 3));
            if (actual != expected)
                QFAIL(qPrintable(QStringLiteral("pixel (%1, %2): %3, expected %4")
                                     .arg(x)
                                     .arg(y)
                                     .arg(actual, 8, 16, QLatin1Char('0'))
                                     .arg(expected, 8, 16, QLatin1Char('0'))));
        }
    }
    // Any BMP reader sees the same picture.
    QImage loaded;
    QVERIFY(loaded.load(QStringLiteral("page.bmp"), "BMP"));
    QCOMPARE(image.format(), QImage::Format_RGB32);
    QCOMPARE(ImageDifference(loaded, image), QString());
}

void TestExport::bmpSizeLimit_data()
{
    QTest::addColumn<qint64>("width");
    QTest::addColumn<qint64>("height");
    QTest::addColumn<bool>("fits");

    // 54 + 4 x 10 x 107374181 = 4294967294 bytes, the largest file of a
    // picture 10 pixels wide.
    QTest::newRow("largest picture 10 pixels wide") << qint64(10) << qint64(107374181) << true;
    QTest::newRow("one row more") << qint64(10) << qint64(107374182) << false;
    QTest::newRow("one column more") << qint64(11) << qint64(107374181) << false;
    QTest::newRow("32768 x 32767 fits") << qint64(32768) << qint64(32767) << true;
    QTest::newRow("32768 x 32768 is 55 bytes too large") << qint64(32768) << qint64(32768) << false;
    QTest::newRow("no pixels") << qint64(0) << qint64(0) << true;
    QTest::newRow("pixel count beyond 64 bits") << (qint64(1) << 32) << (qint64(1) << 32) << false;
}

void TestExport::bmpSizeLimit()
{
    QFETCH(qint64, width);
    QFETCH(qint64, height);
    QFETCH(bool, fits);

    const QString message = MessageOf([&] { CheckFitsBmp(width, height, QStringLiteral("page.bmp")); });

    if (fits)
        QCOMPARE(message, QStringLiteral("<no error>"));
    else
        QCOMPARE(message, CreationMessage(m_folder->filePath(QStringLiteral("page.bmp")), BmpTooLarge(width, height)));
}

void TestExport::tooLargeForBmpKeepsEarlierPictures()
{
#ifndef Q_OS_UNIX
    QSKIP("needs memory that cannot be read");
#else
    // A one-bit picture of 32768 x 32768 pixels is 128 MiB in memory, but
    // 4 GiB in a BMP file. Its pixels cannot be read: it must be refused by
    // its size alone, before a 4 GiB copy of it is made.
    constexpr int side = 32768;
    constexpr int bytesPerLine = side / 8;
    const UnreadablePixels pixels(std::size_t(bytesPerLine) * side);
    QVERIFY(pixels.valid());
    PictureControl first;
    PaintPattern(first, 10, 10);
    PictureControl tooLarge;
    tooLarge.SetPicture(QImage(pixels.data(), side, side, bytesPerLine, QImage::Format_Mono));
    QCOMPARE(tooLarge.BitmapWidth(), side);
    PictureControl third;
    PaintPattern(third, 10, 10);

    const QString message =
        MessageOf([&] { SavePictures({&first, &tooLarge, &third}, "page.bmp", PictureFormat::Bmp); });

    QCOMPARE(message, CreationMessage(m_folder->filePath(QStringLiteral("page12.bmp")), BmpTooLarge(side, side)));
    QCOMPARE(QImage(QStringLiteral("page11.bmp")).size(), QSize(10, 10));
    QCOMPARE(QDir(m_folder->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"page11.bmp"});
#endif
}

void TestExport::emptyPicture_data()
{
    QTest::addColumn<PictureFormat>("format");
    QTest::addColumn<QString>("fileName");
    QTest::newRow("jpg") << PictureFormat::Jpeg << "page.jpg";
    QTest::newRow("bmp") << PictureFormat::Bmp << "page.bmp";
    QTest::newRow("png") << PictureFormat::Png << "page.png";
}

void TestExport::emptyPicture()
{
    QFETCH(PictureFormat, format);
    QFETCH(QString, fileName);

    // The first page after a failed "convert from file" has no bitmap.
    PictureControl empty;
    empty.SetBounds(0, 0, 308, 400);
    QVERIFY(!empty.HasBitmap());
    QVERIFY(WriteBytes(fileName, QByteArray(1000, 'x')));

    SavePictures({&empty}, QStringLiteral("page"), format);

    QVERIFY(QFileInfo::exists(fileName));
    QCOMPARE(QFileInfo(fileName).size(), qint64(0));
    QCOMPARE(BmpFilesIn(m_folder->path()), format == PictureFormat::Bmp ? QStringList{fileName} : QStringList{});
}

void TestExport::existingFileReplaced_data()
{
    emptyPicture_data();
}

void TestExport::existingFileReplaced()
{
    QFETCH(PictureFormat, format);
    QFETCH(QString, fileName);

    PictureControl picture;
    PaintPattern(picture, 20, 10);
    // Longer than any of the new files, so that leftover bytes would show.
    QVERIFY(WriteBytes(fileName, QByteArray(100000, '\xff')));

    SavePictures({&picture}, fileName, format);

    QImage loaded;
    QVERIFY(loaded.load(fileName));
    QCOMPARE(loaded.size(), QSize(20, 10));
    if (format == PictureFormat::Bmp)
        QCOMPARE(QFileInfo(fileName).size(), qint64(54 + 4 * 20 * 10));
    if (format == PictureFormat::Jpeg)
        QVERIFY(ParseJpeg(ReadBytes(fileName)).has_value());
}

void TestExport::jpegStructure_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("one pixel") << 1 << 1;
    QTest::newRow("partial MCUs at right and bottom") << 17 << 9;
    QTest::newRow("exactly one MCU") << 16 << 16;
    QTest::newRow("page") << 308 << 400;
}

void TestExport::jpegStructure()
{
    QFETCH(int, width);
    QFETCH(int, height);

    PictureControl picture;
    PaintPattern(picture, width, height);
    SavePictures({&picture}, QStringLiteral("page"), PictureFormat::Jpeg);

    const std::optional<JpegStructure> parsed = ParseJpeg(ReadBytes(QStringLiteral("page.jpg")));
    QVERIFY2(parsed.has_value(), "not a well-formed JPEG file");
    const JpegStructure &jpeg = *parsed;
    QVERIFY(jpeg.endsWithEoi);

    // JFIF 1.01 right after SOI, density unit 0, density 1:1, no thumbnail.
    QVERIFY(!jpeg.segments.empty());
    const JpegSegment &app0 = jpeg.segments.front();
    QCOMPARE(app0.marker, 0xE0);
    QCOMPARE(app0.payload.size(), 14);
    QCOMPARE(app0.payload.left(5), QByteArray("JFIF\0", 5));
    QCOMPARE(Byte(app0.payload, 5), 1);
    QCOMPARE(Byte(app0.payload, 6), 1);
    QCOMPARE(Byte(app0.payload, 7), 0);
    QCOMPARE(Be16(app0.payload, 8), 1);
    QCOMPARE(Be16(app0.payload, 10), 1);
    QCOMPARE(Byte(app0.payload, 12), 0);
    QCOMPARE(Byte(app0.payload, 13), 0);

    // Quantisation: Annex K scaled for quality 90, 8-bit entries.
    std::map<int, std::array<int, 64>> tables;
    for (const JpegSegment *dqt : SegmentsOf(jpeg, 0xDB)) {
        for (int at = 0; at + 65 <= dqt->payload.size(); at += 65) {
            QCOMPARE(Byte(dqt->payload, at) >> 4, 0);
            std::array<int, 64> values{};
            for (int k = 0; k < 64; ++k)
                values[k] = Byte(dqt->payload, at + 1 + k);
            tables[Byte(dqt->payload, at) & 0x0F] = values;
        }
    }
    QCOMPARE(tables.size(), std::size_t(2));
    QCOMPARE(tables[0], ScaledForQuality90(AnnexKLuminance));
    QCOMPARE(tables[1], ScaledForQuality90(AnnexKChrominance));

    // Baseline: one SOF, and it is SOF0.
    for (const JpegSegment &segment : jpeg.segments) {
        const bool isSof = segment.marker >= 0xC0 && segment.marker <= 0xCF && segment.marker != 0xC4
                           && segment.marker != 0xC8 && segment.marker != 0xCC;
        if (isSof)
            QCOMPARE(segment.marker, 0xC0);
    }
    const auto sofs = SegmentsOf(jpeg, 0xC0);
    QCOMPARE(sofs.size(), std::size_t(1));
    const QByteArray &sof = sofs.front()->payload;
    QCOMPARE(sof.size(), 6 + 3 * 3);
    QCOMPARE(Byte(sof, 0), 8);
    QCOMPARE(Be16(sof, 1), height);
    QCOMPARE(Be16(sof, 3), width);
    QCOMPARE(Byte(sof, 5), 3);
    const int expectedComponents[3][3] = {{1, 0x22, 0}, {2, 0x11, 1}, {3, 0x11, 1}};
    for (int c = 0; c < 3; ++c) {
        QCOMPARE(Byte(sof, 6 + 3 * c), expectedComponents[c][0]);
        QCOMPARE(Byte(sof, 7 + 3 * c), expectedComponents[c][1]);
        QCOMPARE(Byte(sof, 8 + 3 * c), expectedComponents[c][2]);
    }

    // The standard Huffman tables, not optimised ones.
    std::map<int, std::array<int, 16>> huffman;
    for (const JpegSegment *dht : SegmentsOf(jpeg, 0xC4)) {
        int at = 0;
        while (at + 17 <= dht->payload.size()) {
            std::array<int, 16> bits{};
            int count = 0;
            for (int i = 0; i < 16; ++i) {
                bits[i] = Byte(dht->payload, at + 1 + i);
                count += bits[i];
            }
            huffman[Byte(dht->payload, at)] = bits;
            at += 17 + count;
        }
    }
    QCOMPARE(huffman.size(), std::size_t(4));
    QCOMPARE(huffman[0x00], DcLuminanceBits);
    QCOMPARE(huffman[0x10], AcLuminanceBits);
    QCOMPARE(huffman[0x01], DcChrominanceBits);
    QCOMPARE(huffman[0x11], AcChrominanceBits);

    // No restart interval and no restart markers.
    QVERIFY(SegmentsOf(jpeg, 0xDD).empty());
    QVERIFY(!jpeg.restartMarkerInScan);

    // One sequential scan over all three components, ending the header.
    QCOMPARE(jpeg.segments.back().marker, 0xDA);
    const QByteArray &sos = jpeg.segments.back().payload;
    QCOMPARE(sos.size(), 1 + 3 * 2 + 3);
    QCOMPARE(Byte(sos, 0), 3);
    QCOMPARE(Byte(sos, 1), 1);
    QCOMPARE(Byte(sos, 2), 0x00);
    QCOMPARE(Byte(sos, 3), 2);
    QCOMPARE(Byte(sos, 4), 0x11);
    QCOMPARE(Byte(sos, 5), 3);
    QCOMPARE(Byte(sos, 6), 0x11);
    QCOMPARE(Byte(sos, 7), 0);
    QCOMPARE(Byte(sos, 8), 63);
    QCOMPARE(Byte(sos, 9), 0);
}

void TestExport::jpegDecodesToPicture()
{
    // Flat quadrants show a swapped channel or a flipped row order.
    PictureControl quadrants;
    PaintQuadrants(quadrants, 64);
    PictureStack stack;
    ConvertPages(stack, 2);
    QCOMPARE(ImageList.size(), std::size_t(2));
    std::vector<PictureControl *> pictures{&quadrants, ImageList[0], ImageList[1]};

    const std::vector<QString> names = SavePictures(pictures, QStringLiteral("page.jpg"), PictureFormat::Jpeg);
    QCOMPARE(names.size(), std::size_t(3));

    const QImage decodedQuadrants(names[0], "JPEG");
    QCOMPARE(decodedQuadrants.size(), QSize(64, 64));
    for (int q = 0; q < 4; ++q) {
        const QPoint centre((q % 2) * 32 + 16, (q / 2) * 32 + 16);
        const QRgb actual = decodedQuadrants.pixel(centre);
        const QRgb expected = QuadrantColours[q];
        const int worst = std::max({std::abs(qRed(actual) - qRed(expected)), std::abs(qGreen(actual) - qGreen(expected)),
                                    std::abs(qBlue(actual) - qBlue(expected))});
        QVERIFY2(worst <= 4, qPrintable(QStringLiteral("quadrant %1: %2, expected %3")
                                            .arg(q)
                                            .arg(actual, 8, 16, QLatin1Char('0'))
                                            .arg(expected, 8, 16, QLatin1Char('0'))));
    }

    for (std::size_t page = 1; page < 3; ++page) {
        const QImage decoded(names[page], "JPEG");
        const QImage original = pictures[page]->Picture();
        QCOMPARE(decoded.size(), original.size());
        using Channel = int (*)(QRgb);
        for (Channel channel : {Channel(qRed), Channel(qGreen), Channel(qBlue)}) {
            const double mean = MeanDifference(decoded, original, channel);
            QVERIFY2(mean < 3.0, qPrintable(QStringLiteral("page %1: mean difference %2").arg(page).arg(mean)));
        }
    }
    // The two text pages are different pictures, and so are their files.
    QVERIFY(QFileInfo(names[1]).isFile() && QFileInfo(names[2]).isFile());
    QVERIFY(ReadBytes(names[1]) != ReadBytes(names[2]));
}

void TestExport::jpegLibraryErrorRaised()
{
    // Wider than libjpeg's largest dimension (65500): libjpeg refuses it
    // while the first picture has already been written.
    PictureControl first;
    PaintPattern(first, 10, 10);
    PictureControl tooWide;
    tooWide.SetBounds(0, 0, 70000, 1);
    tooWide.GetCanvas();
    PictureControl third;
    PaintPattern(third, 10, 10);

    const QString message =
        MessageOf([&] { SavePictures({&first, &tooWide, &third}, "page.jpg", PictureFormat::Jpeg); });

    const QString fullName = m_folder->filePath(QStringLiteral("page12.jpg"));
    QVERIFY2(message.startsWith(CreationMessage(fullName, QString())), qPrintable(message));
    QVERIFY2(message.contains(QStringLiteral("65500")), qPrintable(message));
    QVERIFY(ParseJpeg(ReadBytes(QStringLiteral("page11.jpg"))).has_value());
    QVERIFY(!QFileInfo::exists(QStringLiteral("page12.jpg")));
    QVERIFY(!QFileInfo::exists(QStringLiteral("page13.jpg")));
}

void TestExport::jpegWriterUsableAfterError()
{
    JpegWriter writer;
    const QImage tooWide(70000, 1, QImage::Format_RGB32);
    QVERIFY(!writer.Encode(tooWide));
    QVERIFY(!writer.ErrorString().isEmpty());

    PictureControl picture;
    PaintQuadrants(picture, 32);
    QVERIFY2(writer.Encode(picture.Picture()), qPrintable(writer.ErrorString()));
    const QByteArray bytes = writer.Data().toByteArray();
    QVERIFY(ParseJpeg(bytes).has_value());
    QCOMPARE(QImage::fromData(bytes, "JPEG").size(), QSize(32, 32));

    // The same encoder again gives the same file.
    QVERIFY(writer.Encode(picture.Picture()));
    QCOMPARE(writer.Data().toByteArray(), bytes);

    QVERIFY(writer.Encode(QImage()));
    QCOMPARE(writer.Data().size(), qsizetype(0));
}

void TestExport::pngPixelsEqual_data()
{
    QTest::addColumn<int>("pages");
    QTest::newRow("one page, no number") << 1;
    QTest::newRow("three pages") << 3;
}

void TestExport::pngPixelsEqual()
{
    QFETCH(int, pages);

    PictureStack stack;
    ConvertPages(stack, static_cast<std::size_t>(pages));
    QCOMPARE(ImageList.size(), std::size_t(pages));

    const std::vector<QString> names = SavePictures(ImageList, QStringLiteral("page.png"), PictureFormat::Png);

    QCOMPARE(names.front(), pages == 1 ? QStringLiteral("page.png") : QStringLiteral("page11.png"));
    for (std::size_t i = 0; i < names.size(); ++i) {
        QImage loaded;
        QVERIFY(loaded.load(names[i], "PNG"));
        const QImage expected = ImageList[i]->Picture();
        // Black text on white has only greys and is stored as grey.
        QCOMPARE(loaded.format(), QImage::Format_Grayscale8);
        const QString difference = ImageDifference(loaded.convertToFormat(QImage::Format_RGB32), expected);
        QVERIFY2(difference.isEmpty(), qPrintable(names[i] + QStringLiteral(": ") + difference));
    }
    QCOMPARE(BmpFilesIn(m_folder->path()), QStringList());
}

void TestExport::pngKeepsUsersBmp_data()
{
    QTest::addColumn<int>("pages");
    QTest::addColumn<QStringList>("usersBmpFiles");
    QTest::newRow("one page beside page.bmp") << 1 << QStringList{"page.bmp"};
    QTest::newRow("two pages beside page11.bmp and page12.bmp") << 2 << QStringList{"page11.bmp", "page12.bmp"};
}

void TestExport::pngKeepsUsersBmp()
{
    QFETCH(int, pages);
    QFETCH(QStringList, usersBmpFiles);

    const QByteArray usersBytes("the user's own bitmap");
    for (const QString &name : usersBmpFiles)
        QVERIFY(WriteBytes(name, usersBytes));
    PictureStack stack;
    ConvertPages(stack, static_cast<std::size_t>(pages));
    QCOMPARE(ImageList.size(), std::size_t(pages));

    SavePictures(ImageList, QStringLiteral("page"), PictureFormat::Png);

    QCOMPARE(BmpFilesIn(m_folder->path()), usersBmpFiles);
    for (const QString &name : usersBmpFiles)
        QCOMPARE(ReadBytes(name), usersBytes);
}

void TestExport::pngFailureLeavesNoBmp()
{
    PictureStack stack;
    ConvertPages(stack, 3);
    QCOMPARE(ImageList.size(), std::size_t(3));
    QVERIFY(QDir().mkdir(QStringLiteral("page12.png")));

    const QString message = MessageOf([] { SavePictures(ImageList, QStringLiteral("page.png"), PictureFormat::Png); });

    const QString fullName = m_folder->filePath(QStringLiteral("page12.png"));
    QCOMPARE(message, CreationMessage(fullName, ReasonForBlockedName(fullName)));
    QVERIFY(QFileInfo(QStringLiteral("page11.png")).isFile());
    QVERIFY(!QFileInfo::exists(QStringLiteral("page13.png")));
    QCOMPARE(BmpFilesIn(m_folder->path()), QStringList());
}

void TestExport::missingFolder_data()
{
    QTest::addColumn<PictureFormat>("format");
    QTest::addColumn<QString>("firstName");
    QTest::newRow("jpg") << PictureFormat::Jpeg << "page11.jpg";
    QTest::newRow("bmp") << PictureFormat::Bmp << "page11.bmp";
    QTest::newRow("png") << PictureFormat::Png << "page11.png";
}

void TestExport::missingFolder()
{
    QFETCH(PictureFormat, format);
    QFETCH(QString, firstName);

    PictureControl first;
    PaintPattern(first, 4, 4);
    PictureControl second;
    PaintPattern(second, 4, 4);

    const QString message = MessageOf([&] { SavePictures({&first, &second}, "missing/page.x", format); });

    const QString fullName = m_folder->filePath(QStringLiteral("missing/") + firstName);
    QCOMPARE(message, CreationMessage(fullName, QString::fromLocal8Bit(std::strerror(ENOENT))));
    QVERIFY(!QFileInfo::exists(QStringLiteral("missing")));
}

void TestExport::blockedFileKeepsEarlierPictures_data()
{
    QTest::addColumn<PictureFormat>("format");
    QTest::addColumn<QString>("extension");
    QTest::newRow("jpg") << PictureFormat::Jpeg << ".jpg";
    QTest::newRow("bmp") << PictureFormat::Bmp << ".bmp";
    QTest::newRow("png") << PictureFormat::Png << ".png";
}

void TestExport::blockedFileKeepsEarlierPictures()
{
    QFETCH(PictureFormat, format);
    QFETCH(QString, extension);

    std::vector<std::unique_ptr<PictureControl>> owned;
    std::vector<PictureControl *> pictures;
    for (int i = 0; i < 3; ++i) {
        owned.push_back(std::make_unique<PictureControl>());
        PaintPattern(*owned.back(), 6, 6);
        pictures.push_back(owned.back().get());
    }
    // A folder where the second file should go: nothing can replace it.
    const QString blocked = m_folder->filePath(QStringLiteral("page12") + extension);
    QVERIFY(QDir().mkdir(blocked));

    const QString message = MessageOf([&] { SavePictures(pictures, m_folder->filePath("page"), format); });

    QCOMPARE(message, CreationMessage(blocked, ReasonForBlockedName(blocked)));
    QImage firstWritten;
    QVERIFY(firstWritten.load(QStringLiteral("page11") + extension));
    QCOMPARE(firstWritten.size(), QSize(6, 6));
    QVERIFY(QFileInfo(blocked).isDir());
    QVERIFY(!QFileInfo::exists(QStringLiteral("page13") + extension));
    if (format == PictureFormat::Png)
        QCOMPARE(BmpFilesIn(m_folder->path()), QStringList());
}

void TestExport::failedWriteKeepsEarlierFile_data()
{
    blockedFileKeepsEarlierPictures_data();
}

void TestExport::failedWriteKeepsEarlierFile()
{
#ifndef Q_OS_UNIX
    QSKIP("needs a file size limit");
#else
    QFETCH(PictureFormat, format);
    QFETCH(QString, extension);

    // A good file from an earlier save.
    PictureStack stack;
    ConvertPages(stack, 1);
    const QString fileName = QStringLiteral("page") + extension;
    SavePictures(ImageList, fileName, format);
    QVERIFY(QFileInfo(fileName).isFile());
    const QByteArray earlier = ReadBytes(fileName);
    QVERIFY(!earlier.isEmpty());

    // Now the disk "fills up" after 4 KiB: every write beyond fails with
    // EFBIG. The noise makes even the JPEG file larger than that.
    BGColor = 0x00400000;
    Rausch = 30;
    ConvertPages(stack, 1);
    QString message;
    {
        const FileSizeLimit limit(4096);
        QVERIFY(limit.active());
        message = MessageOf([&] { SavePictures(ImageList, fileName, format); });
    }

    const QString fullName = m_folder->filePath(fileName);
    QCOMPARE(Reason(message, fullName), QString::fromLocal8Bit(std::strerror(EFBIG)));
    QCOMPARE(ReadBytes(fileName), earlier);
    QCOMPARE(QDir(m_folder->path()).entryList(QDir::Files | QDir::Hidden), QStringList{fileName});
#endif
}

QTEST_MAIN(TestExport)
#include "tst_export.moc"
