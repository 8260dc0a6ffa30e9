#pragma once

#include <QRgb>
#include <cstddef>

// Memory for bitmaps. A conversion makes hundreds of page bitmaps at once;
// taking them from large blocks backed by huge pages saves the kernel a
// page fault for every 4 KiB touched, which otherwise costs more than
// drawing the text. Small bitmaps come from the ordinary heap.
QRgb *AllocatePixels(std::size_t count);
void FreePixels(QRgb *pixels, std::size_t count);

// A larger block holding the first oldCount pixels of the old one (which is
// then gone). A block of its own is moved by the system without copying.
QRgb *GrowPixels(QRgb *pixels, std::size_t oldCount, std::size_t newCount);
