#pragma once

#include <QByteArray>
#include <QImage>

// The bytes of a standard PNG file with exactly the picture's pixels (a
// 32-bit or a palette picture); no bytes at all for a null picture (one of
// 0 x 0 pixels). Works in memory, so that the file is written the program's
// one safe way. Raises std::bad_alloc when memory runs out.
// How few bits a pixel of a picture of few colours may take: as few as its
// colours need (1, 2 or 4), or a whole byte, as a PDF image wants them
// (readers take pictures of fewer bits a pixel for black and white).
enum class PngDepth { Smallest, WholeBytes };
QByteArray EncodePng(const QImage &image, PngDepth depth = PngDepth::Smallest);
