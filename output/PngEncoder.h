#pragma once

#include <QByteArray>
#include <QImage>

// The bytes of a standard PNG file with exactly the image's pixels; no bytes
// at all for a null image (a picture of 0 x 0 pixels). Works in memory, so
// that the file is written the program's one safe way.
QByteArray EncodePng(const QImage &image);
