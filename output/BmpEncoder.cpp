#include "BmpEncoder.h"

#include "WholeFile.h"

#include <QtEndian>

#include <cstring>

namespace {

// The file header gives the file's size, the info header the pixels', each
// in 32 bits.
constexpr std::int64_t MaxBmpFileSize = 4294967295;

void Put16(char *at, quint16 value)
{
    qToLittleEndian(value, at);
}

void Put32(char *at, quint32 value)
{
    qToLittleEndian(value, at);
}

} // namespace

void CheckFitsBmp(std::int64_t width, std::int64_t height, const QString &path)
{
    // Divided rather than multiplied: sides of any size give no overflow.
    constexpr std::int64_t maxPixels = (MaxBmpFileSize - BmpHeadersSize) / BmpBytesPerPixel;
    if (width > 0 && height > maxPixels / width)
        throw CannotCreateError(path, QStringLiteral("A picture of %1 x %2 pixels is larger than a BMP file can hold "
                                                     "(at most %3 bytes)")
                                          .arg(width)
                                          .arg(height)
                                          .arg(MaxBmpFileSize));
}

QByteArray EncodeBmp(const QImage &source)
{
    if (source.isNull())
        return QByteArray();
    const QImage image = source.format() == QImage::Format_RGB32 ? source : source.convertToFormat(QImage::Format_RGB32);

    const int width = image.width();
    const int height = image.height();
    // 32 bits a pixel: every row is a multiple of 4 bytes without padding,
    // and on a little-endian machine the bytes of an RGB32 pixel in memory
    // already are blue, green, red and a fourth byte, which is 0xFF in the
    // program's pictures, so rows are copied whole.
    static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "BMP rows are copied as they lie in memory");
    const qsizetype rowBytes = static_cast<qsizetype>(width) * BmpBytesPerPixel;
    const qsizetype imageBytes = rowBytes * height;
    QByteArray file(BmpHeadersSize + imageBytes, Qt::Uninitialized);
    char *header = file.data();

    // The fields not set below are 0: the file header's reserved ones, no
    // resolution (the picture has no physical size) and no colour table.
    std::memset(header, 0, BmpHeadersSize);
    std::memcpy(header, BmpSignature, 2);
    Put32(header + BmpFileSizeAt, static_cast<quint32>(file.size()));
    Put32(header + BmpPixelsStartAt, BmpHeadersSize);
    Put32(header + BmpInfoSizeAt, BmpInfoHeaderSize);
    Put32(header + BmpWidthAt, static_cast<quint32>(width));
    // Positive height: the rows are stored bottom-up.
    Put32(header + BmpHeightAt, static_cast<quint32>(height));
    Put16(header + BmpPlanesAt, 1);
    Put16(header + BmpBitsAt, BmpBitsPerPixel);
    Put32(header + BmpCompressionAt, BmpUncompressed);
    Put32(header + BmpPixelsSizeAt, static_cast<quint32>(imageBytes));

    char *pixels = file.data() + BmpHeadersSize;
    for (int y = 0; y < height; ++y)
        std::memcpy(pixels + (height - 1 - y) * rowBytes, image.constScanLine(y), static_cast<std::size_t>(rowBytes));
    return file;
}
