#pragma once

// What happens to a whole picture after its characters are drawn, in this
// order: turned, warped (geometric: the pixels move and each takes its
// owners along), its ink thickened or thinned, paper put under it, blurred,
// and speckled with sensor noise (photometric: the owners stay). The noise
// of the render settings comes after all of them.
#include <QImage>
#include <memory>
#include <vector>

// The user's own paper scans, laid under the text instead of the procedural
// paper: each picture a random crop of one of them.
struct PaperScans
{
    std::vector<QImage> pictures; // 32-bit, each at least as large as a page
    std::vector<QString> names;
};

struct PageLook
{
    // The picture turned by up to this many degrees either way about its centre.
    double rotate = 0;
    // The amplitude in pixels of a smooth displacement of every pixel.
    double warp = 0;
    // Pixels of ink added round every stroke (> 0) or taken off it (< 0).
    int inkWeight = 0;
    // A paper texture under the text: fibres and slow shading; or crops of
    // the user's scans when there are some.
    bool paper = false;
    // The sigma in pixels of a Gaussian blur.
    double blur = 0;
    // The sigma, in levels of 255, of Gaussian noise on every pixel.
    double sensorNoise = 0;
    // The user's scans for the paper (--paper-images), when given.
    std::shared_ptr<const PaperScans> scans;

    bool Geometric() const { return rotate != 0 || warp != 0; }
    bool Any() const { return Geometric() || inkWeight != 0 || paper || scans || blur != 0 || sensorNoise != 0; }
    bool operator==(const PageLook &) const = default;
};
