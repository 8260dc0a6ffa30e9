#pragma once

#include <QImage>
#include <optional>

// A picture kept for display in as little memory as its colours allow: with
// at most 256 colours (a page of text nearly always) as an 8-bit palette
// image of exactly the same pixels, one byte a pixel. Nothing when the
// picture has more colours. The source is a Format_RGB32 picture and is
// only read.
std::optional<QImage> PaletteCopy(const QImage &picture);

// The palette copy, or a 32-bit copy when the colours are too many.
QImage CompactPicture(const QImage &picture);

// The buffer's picture as a palette picture in the buffer's own memory (the
// 32-bit pixels are turned into indices where they lie, and the memory they
// no longer need goes back to the system), or as it is when the colours are
// too many: a picture grown in one piece never needs room for two copies.
class PixelBuffer;
QImage CompactInPlace(PixelBuffer &&buffer);
