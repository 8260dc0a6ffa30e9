#pragma once

#include <QRgb>
#include <cstddef>

// Memory for bitmaps. A conversion makes hundreds of page bitmaps at once;
// they come from large blocks that are kept when a conversion's pages go,
// so the next conversion draws into memory that is already there instead
// of having the system clear hundreds of megabytes again. A picture that
// grows large (one-picture mode) gets a mapping of its own on huge pages
// (its noise lands all over it, and small pages would make every write look
// up its page's address), which the system moves instead of copying as it
// grows, and which is kept for the next one. Small bitmaps
// come from the ordinary heap.
QRgb *AllocatePixels(std::size_t count);
void FreePixels(QRgb *pixels, std::size_t count);

// A larger block holding the first oldCount pixels of the old one (which is
// then gone). A block of its own is moved by the system without copying.
QRgb *GrowPixels(QRgb *pixels, std::size_t oldCount, std::size_t newCount);
