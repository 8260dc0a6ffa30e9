#include "PngEncoder.h"

#include <QBuffer>
#include <QImageWriter>
#include <new>

QByteArray EncodePng(const QImage &image)
{
    QByteArray bytes;
    if (image.isNull())
        return bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    // Writing into memory fails only when memory runs out.
    if (!writer.write(image))
        throw std::bad_alloc();
    return bytes;
}
