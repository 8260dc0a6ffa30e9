#include "PictureExport.h"

#include "OrderedWork.h"
#include "PictureEncoder.h"
#include "WholeFile.h"

#include <QDir>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <stdexcept>

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

QString PictureExtension(PictureFormat format)
{
    switch (format) {
    case PictureFormat::Jpeg:
        return QStringLiteral(".jpg");
    case PictureFormat::Bmp:
        return QStringLiteral(".bmp");
    case PictureFormat::Png:
        return QStringLiteral(".png");
    }
    throw std::invalid_argument("unknown picture format");
}

QString PictureBaseName(const QString &chosenPath)
{
    // Only the file name is cut at its first "."; a "." in a folder name
    // belongs to the folder.
    const qsizetype nameStart =
        std::max(chosenPath.lastIndexOf(QLatin1Char('/')), chosenPath.lastIndexOf(QDir::separator())) + 1;
    const qsizetype dot = chosenPath.indexOf(QLatin1Char('.'), nameStart);
    return dot < 0 ? chosenPath : chosenPath.left(dot);
}

std::vector<QString> PictureFileNames(const QString &chosenPath, std::size_t count, PictureFormat format)
{
    const QString base = PictureBaseName(chosenPath);
    const QString extension = PictureExtension(format);

    std::vector<QString> names;
    names.reserve(count);
    if (count == 1) {
        names.push_back(base + extension);
        return names;
    }
    for (std::size_t i = 0; i < count; ++i)
        names.push_back(base + QString::number(i + 11) + extension);
    return names;
}

std::vector<QString> SavePictures(const std::vector<PictureControl *> &pictures, const QString &chosenPath,
                                  PictureFormat format, const SaveOptions &options)
{
    std::vector<QString> names = PictureFileNames(chosenPath, pictures.size(), format);
    const int jobs = options.jobs > 0 ? options.jobs : DefaultJobs();
    WorkProgress progress;
    progress.total = static_cast<qsizetype>(pictures.size());
    const auto saveAll = [&] {
        std::vector<PictureEncoder> encoders(static_cast<std::size_t>(jobs));
        // Encoded and written on the workers; put in place in list order.
        RunInOrder<StagedFile>(
            pictures.size(), jobs, 2 * static_cast<std::size_t>(jobs),
            [&](std::size_t index, int worker) {
                const QImage picture = pictures[index] ? pictures[index]->StoredPicture() : QImage();
                return StagedFile(names[index],
                                  encoders[static_cast<std::size_t>(worker)].Encode(picture, format, names[index]));
            },
            [&](std::size_t index, StagedFile &&file) {
                file.PutInPlace();
                progress.done = static_cast<qsizetype>(index + 1);
                if (options.written)
                    options.written(index);
                return !progress.cancelled;
            });
    };
    if (options.watch)
        options.watch(progress, saveAll);
    else
        saveAll();
    return names;
}

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

    header[0] = 'B';
    header[1] = 'M';
    Put32(header + 2, static_cast<quint32>(file.size()));
    Put16(header + 6, 0);
    Put16(header + 8, 0);
    Put32(header + 10, BmpHeadersSize);

    char *info = header + BmpFileHeaderSize;
    Put32(info + 0, BmpInfoHeaderSize);
    Put32(info + 4, static_cast<quint32>(width));
    // Positive height: the rows are stored bottom-up.
    Put32(info + 8, static_cast<quint32>(height));
    Put16(info + 12, 1);
    Put16(info + 14, BmpBytesPerPixel * 8);
    Put32(info + 16, 0); // BI_RGB, uncompressed
    Put32(info + 20, static_cast<quint32>(imageBytes));
    // No resolution: the picture has no physical size.
    Put32(info + 24, 0);
    Put32(info + 28, 0);
    // No colour table.
    Put32(info + 32, 0);
    Put32(info + 36, 0);

    char *pixels = file.data() + BmpHeadersSize;
    for (int y = 0; y < height; ++y)
        std::memcpy(pixels + (height - 1 - y) * rowBytes, image.constScanLine(y), static_cast<std::size_t>(rowBytes));
    return file;
}
