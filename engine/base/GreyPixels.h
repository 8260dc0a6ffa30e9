#pragma once

#include <QImage>
#include <QRgb>

// Whether pixels are grey (red, green and blue alike): a grey page is
// worked on and written one channel at a time.

inline bool IsGrey(QRgb colour)
{
    return qRed(colour) == qGreen(colour) && qGreen(colour) == qBlue(colour);
}

// Without a branch a pixel, so that the test runs on vector registers: red
// and green each against blue.
inline bool IsGreyRow(const QRgb *line, int width)
{
    QRgb differ = 0;
    for (int x = 0; x < width; ++x)
        differ |= ((line[x] >> 16) ^ line[x]) | ((line[x] >> 8) ^ line[x]);
    return (differ & 0xFF) == 0;
}

// The picture is 32-bit.
inline bool IsGreyPicture(const QImage &picture)
{
    for (int y = 0; y < picture.height(); ++y) {
        if (!IsGreyRow(reinterpret_cast<const QRgb *>(picture.constScanLine(y)), picture.width()))
            return false;
    }
    return true;
}
