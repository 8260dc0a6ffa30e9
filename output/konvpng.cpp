#include "konvpng.h"

#include "LumoError.h"
#include "TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>

namespace {

[[noreturn]] void CannotCreate(const QString &fileName, const QString &reason)
{
    throw LumoError(LumoMessages::CannotCreate(FullPath(fileName), reason));
}

// Through a temporary file renamed at the end, so that an earlier PNG file
// of that name survives a failed conversion.
void WritePng(const QString &pngName, const QImage &image)
{
    QSaveFile file(pngName);
    if (!file.open(QIODevice::WriteOnly))
        CannotCreate(pngName, file.errorString());
    // A picture of 0 x 0 pixels is written as an empty BMP file, and it
    // becomes an empty PNG file in the same way.
    if (!image.isNull()) {
        QImageWriter writer(&file, "png");
        if (!writer.write(image))
            CannotCreate(pngName, writer.errorString());
    }
    if (!file.commit())
        CannotCreate(pngName, file.errorString());
}

// Qt refuses to read images above 128 MB unless told otherwise; a picture
// that was drawn and written can always be read back.
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

} // namespace

void BmpToPng(const QString &bmpName, const QString &pngName)
{
    const QFileInfo bmpInfo(bmpName);
    QImage image;
    if (!(bmpInfo.isFile() && bmpInfo.size() == 0)) {
        const NoImageAllocationLimit unlimited;
        QImageReader reader(bmpName, "bmp");
        if (!reader.read(&image))
            throw LumoError(LumoMessages::CannotOpen(FullPath(bmpName), reader.errorString()));
    }
    WritePng(pngName, image);
    // The PNG file is complete; a BMP file that cannot be deleted is no
    // reason to report the conversion as failed.
    QFile::remove(bmpName);
}
