#pragma once

#include "PictureFormat.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <memory>

class JpegWriter;

// Turns pictures into the bytes of their files, for one thread: each worker
// keeps one, with its own JPEG compressor made when first needed.
class PictureEncoder
{
public:
    PictureEncoder();
    ~PictureEncoder();
    PictureEncoder(PictureEncoder &&) noexcept;
    PictureEncoder &operator=(PictureEncoder &&) noexcept;

    // The file's bytes for the picture (32-bit or with a palette; a null
    // picture gives what a picture of 0 x 0 pixels gives). A picture the
    // JPEG library refuses, or one too large for a bitmap file, raises the
    // creation error naming fileName before its pixels are read.
    QByteArray Encode(const QImage &picture, PictureFormat format, const QString &fileName);

private:
    std::unique_ptr<JpegWriter> m_jpeg;
};
