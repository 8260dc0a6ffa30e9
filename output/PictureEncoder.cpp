#include "PictureEncoder.h"

#include "BmpEncoder.h"
#include "JpegWriter.h"
#include "PngEncoder.h"
#include "WholeFile.h"

PictureEncoder::PictureEncoder() = default;
PictureEncoder::~PictureEncoder() = default;
PictureEncoder::PictureEncoder(PictureEncoder &&) noexcept = default;
PictureEncoder &PictureEncoder::operator=(PictureEncoder &&) noexcept = default;

QByteArray PictureEncoder::Encode(const QImage &picture, PictureFormat format, const QString &fileName)
{
    switch (format) {
    case PictureFormat::Jpeg: {
        if (!m_jpeg)
            m_jpeg = std::make_unique<JpegWriter>();
        // A picture of 0 x 0 pixels gives no image data: its file is empty.
        if (!m_jpeg->Encode(picture))
            throw CannotCreateError(fileName, m_jpeg->ErrorString());
        return m_jpeg->Data().toByteArray();
    }
    case PictureFormat::Bmp:
        CheckFitsBmp(picture.width(), picture.height(), fileName);
        return EncodeBmp(picture);
    case PictureFormat::Png:
        return EncodePng(picture);
    }
    return QByteArray();
}
