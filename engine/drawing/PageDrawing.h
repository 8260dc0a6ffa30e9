#pragma once

#include "PageLayout.h"
#include "PixelBuffer.h"
#include "RenderJob.h"

#include <cstdint>

// Draws one picture of a conversion, on its own: the page's fills and, for a
// continuation page, its dotted top line, then its characters, then its
// noise, exactly as the conversion draws them one picture after the other.
// The buffer is made for the page when it has not the page's size (a worker
// that draws page after page keeps one); pageIndex 0 is the first picture.
// With a truth recorder, it follows the drawing and knows afterwards where
// each character is and what of it shows. The text may be a window that
// holds the page's characters.
class PageTruth;
void DrawPage(const TextWindow &text, const RenderJob &job, const PagePlan &page, std::int64_t pageIndex,
              PixelBuffer &buffer, PageTruth *truth = nullptr);
