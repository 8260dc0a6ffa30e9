#pragma once

#include "OwnerMap.h"
#include "PageGeometry.h"
#include "PageLook.h"

#include <QImage>
#include <QRgb>
#include <cstdint>

// The page effects, each on a 32-bit picture of a page in place; those that
// move pixels move the owners with them when there is an owner map.

// The picture turned and warped: each pixel of the result is the bilinear
// blend of the four pixels round its source, the background where that lies
// outside; it shows every character those four showed. With `owned`, the
// owners' boxes in the result are taken there and the map is left as it was.
void MovePixels(QImage &picture, const PageGeometry &geometry, QRgb background, OwnerMap *owners,
                OwnerBoxes *owned = nullptr);

// Ink thickened by n pixels (n > 0: each pixel takes the strongest ink within
// n, with its owners) or thinned (n < 0: the weakest). Ink is how far a
// pixel's colour is from the background.
void ChangeInkWeight(QImage &picture, int n, QRgb background, OwnerMap *owners);

// A procedural paper under the text: slow shading and fibres, multiplied in
// as ink on paper is, drawn from the seed and the page.
void LayPaper(QImage &picture, QRgb background, std::uint32_t seed, std::int64_t page);

// Where the crop of the user's scans for a page comes from: which scan and
// its top-left corner there.
struct PaperCrop
{
    std::size_t scan = 0;
    QPoint at;
};
PaperCrop CropFor(const PaperScans &scans, int width, int height, std::uint32_t seed, std::int64_t page);

// A crop of one of the user's scans under the text, multiplied in as ink
// on paper is: the scan's white leaves a pixel as it is.
void LayPaperScan(QImage &picture, const PaperScans &scans, std::uint32_t seed, std::int64_t page);

// A Gaussian blur of the given sigma, the picture's edges repeated outward.
void Blur(QImage &picture, double sigma);

// Gaussian noise of the given sigma in the brightness of every pixel, the same in each channel.
void AddSensorNoise(QImage &picture, double sigma, std::uint32_t seed, std::int64_t page);
