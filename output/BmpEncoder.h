#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <cstdint>

// The 32-bit Windows bitmap files the program writes, and the layout that
// its own reader (BmpToPng) expects of them.

// A file header, an info header, then the pixels, 4 bytes each.
inline constexpr char BmpSignature[] = "BM";
inline constexpr int BmpFileHeaderSize = 14;
inline constexpr int BmpInfoHeaderSize = 40;
inline constexpr int BmpHeadersSize = BmpFileHeaderSize + BmpInfoHeaderSize;
inline constexpr int BmpBytesPerPixel = 4;
inline constexpr int BmpBitsPerPixel = BmpBytesPerPixel * 8;
// BI_RGB: the pixels as they are, without a colour table.
inline constexpr int BmpUncompressed = 0;

// Where the header fields lie, counted from the start of the file; each is
// a little-endian number.
inline constexpr int BmpFileSizeAt = 2;
inline constexpr int BmpPixelsStartAt = 10;
inline constexpr int BmpInfoSizeAt = BmpFileHeaderSize + 0;
inline constexpr int BmpWidthAt = BmpFileHeaderSize + 4;
inline constexpr int BmpHeightAt = BmpFileHeaderSize + 8;
inline constexpr int BmpPlanesAt = BmpFileHeaderSize + 12;
inline constexpr int BmpBitsAt = BmpFileHeaderSize + 14;
inline constexpr int BmpCompressionAt = BmpFileHeaderSize + 16;
inline constexpr int BmpPixelsSizeAt = BmpFileHeaderSize + 20;

// The bytes of a 32-bit Windows bitmap file of the image (empty for a null
// image). The picture must pass CheckFitsBmp.
QByteArray EncodeBmp(const QImage &image);

// Raises the creation error for the file when the bitmap file of a picture
// of this size would be larger than its header can say.
void CheckFitsBmp(std::int64_t width, std::int64_t height, const QString &path);
