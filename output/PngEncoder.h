#pragma once

#include <QByteArray>
#include <QImage>

// The bytes of a standard PNG file with exactly the picture's pixels (a
// 32-bit or a palette picture); no bytes at all for a null picture (one of
// 0 x 0 pixels). Works in memory, so that the file is written the program's
// one safe way. Raises std::bad_alloc when memory runs out.
QByteArray EncodePng(const QImage &image);
