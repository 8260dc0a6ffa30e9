#pragma once

#include <QRgb>
#include <cstddef>

// Memory for bitmaps. A conversion makes hundreds of page bitmaps at once;
// taking them from large blocks backed by huge pages saves the kernel a
// page fault for every 4 KiB touched, which otherwise costs more than
// drawing the text. Small bitmaps come from the ordinary heap.
QRgb *AllocatePixels(std::size_t count);
void FreePixels(QRgb *pixels, std::size_t count);
