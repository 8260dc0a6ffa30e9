#pragma once

#include <QByteArrayView>
#include <QImage>
#include <QString>

#include <memory>

// One libjpeg compressor, set up once and then used for every picture of a
// save command, so that all pages share one set of tables and buffers. It
// writes baseline JFIF 1.01 files (density unit 0, 1:1) at quality 90 from
// 24-bit RGB rows: Y sampled 2 x 2, Cb and Cr 1 x 1, the Annex K tables,
// Huffman tables not optimised, no restart markers, floating-point DCT.
// libjpeg's own state is released when the writer goes, on every way out.
class JpegWriter
{
public:
    // Raises LumoError when libjpeg cannot set up the compressor.
    JpegWriter();
    ~JpegWriter();
    JpegWriter(const JpegWriter &) = delete;
    JpegWriter &operator=(const JpegWriter &) = delete;

    // Compresses the image into the writer's buffer (Data()). An image of
    // width or height 0 gives no bytes at all. Returns false when libjpeg
    // refuses the image; ErrorString() then says why and the writer stays
    // usable for the next image.
    bool Encode(const QImage &image);

    // The bytes of the last Encode, valid until the next one.
    QByteArrayView Data() const;
    QString ErrorString() const;

private:
    struct Compressor;
    std::unique_ptr<Compressor> m_compressor;
};
