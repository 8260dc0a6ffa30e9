#include "konvpng.h"

#include "BmpEncoder.h"
#include "PngEncoder.h"
#include "WholeFile.h"

#include <QFile>
#include <QImageReader>
#include <QtEndian>

namespace {

// The program's own bitmaps (32 bits a pixel, uncompressed, the layout
// EncodeBmp writes) are read here without Qt, which refuses images above
// 16384 pixels a side or 128 MB: a picture that was drawn can always be
// converted. Anything else goes to Qt's reader.
std::optional<QImage> readProgramBitmap(const QByteArray &file)
{
    if (file.size() < BmpHeadersSize || !file.startsWith(BmpSignature))
        return std::nullopt;
    const auto *header = reinterpret_cast<const uchar *>(file.constData());
    const quint32 pixelOffset = qFromLittleEndian<quint32>(header + BmpPixelsStartAt);
    const quint32 infoSize = qFromLittleEndian<quint32>(header + BmpInfoSizeAt);
    const qint32 width = qFromLittleEndian<qint32>(header + BmpWidthAt);
    const qint32 height = qFromLittleEndian<qint32>(header + BmpHeightAt);
    const quint16 planes = qFromLittleEndian<quint16>(header + BmpPlanesAt);
    const quint16 bits = qFromLittleEndian<quint16>(header + BmpBitsAt);
    const quint32 compression = qFromLittleEndian<quint32>(header + BmpCompressionAt);
    if (infoSize != BmpInfoHeaderSize || planes != 1 || bits != BmpBitsPerPixel || compression != BmpUncompressed
        || width <= 0 || height == 0 || height == INT32_MIN)
        return std::nullopt;
    const qint64 rows = height < 0 ? -qint64(height) : height;
    const qint64 rowBytes = qint64(width) * BmpBytesPerPixel;
    if (pixelOffset < BmpHeadersSize || qint64(pixelOffset) + rowBytes * rows > file.size())
        return std::nullopt;
    QImage image(width, static_cast<int>(rows), QImage::Format_RGB32);
    if (image.isNull())
        throw std::bad_alloc();
    const uchar *pixels = header + pixelOffset;
    for (qint64 y = 0; y < rows; ++y) {
        // Positive heights store the rows bottom-up.
        const qint64 stored = height > 0 ? rows - 1 - y : y;
        // The pixels need not start at a multiple of 4 (the program's own
        // start right after the headers), so they are read byte-wise.
        const uchar *source = pixels + stored * rowBytes;
        auto *target = reinterpret_cast<QRgb *>(image.scanLine(static_cast<int>(y)));
        for (qint32 x = 0; x < width; ++x)
            target[x] = 0xFF000000u | qFromLittleEndian<quint32>(source + BmpBytesPerPixel * x);
    }
    return image;
}

// Qt refuses to read images above 128 MB unless told otherwise.
class NoImageAllocationLimit
{
public:
    NoImageAllocationLimit() : m_previous(QImageReader::allocationLimit()) { QImageReader::setAllocationLimit(0); }
    ~NoImageAllocationLimit() { QImageReader::setAllocationLimit(m_previous); }
    NoImageAllocationLimit(const NoImageAllocationLimit &) = delete;
    NoImageAllocationLimit &operator=(const NoImageAllocationLimit &) = delete;

private:
    int m_previous;
};

QImage readBitmap(const QString &bmpName)
{
    QFile file(bmpName);
    if (!file.open(QIODevice::ReadOnly))
        throw CannotOpenError(bmpName, file.errorString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw CannotOpenError(bmpName, file.errorString());
    // A picture of 0 x 0 pixels is written as an empty BMP file, and it
    // becomes an empty PNG file in the same way.
    if (bytes.isEmpty())
        return QImage();
    if (std::optional<QImage> image = readProgramBitmap(bytes))
        return *image;
    const NoImageAllocationLimit unlimited;
    QImageReader reader(bmpName, "bmp");
    QImage image;
    if (!reader.read(&image))
        throw CannotOpenError(bmpName, reader.errorString());
    return image;
}

} // namespace

void BmpToPng(const QString &bmpName, const QString &pngName)
{
    SaveFile(pngName, EncodePng(readBitmap(bmpName)));
    // The PNG file is complete; a BMP file that cannot be deleted is no
    // reason to report the conversion as failed.
    QFile::remove(bmpName);
}
