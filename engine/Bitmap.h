#pragma once

#include <QImage>
#include <QRgb>
#include <cstdint>
#include <cstddef>

// The raster bitmap of a picture: 32-bit pixels, rows top-down without
// padding. Its storage grows geometrically when the height grows, so a
// picture that grows line by line is not copied at every step; the reported
// height is always exact.
class Bitmap
{
public:
    Bitmap(int width, int height, QRgb fill);
    ~Bitmap();
    Bitmap(const Bitmap &) = delete;
    Bitmap &operator=(const Bitmap &) = delete;

    int Width() const { return m_width; }
    int Height() const { return m_height; }

    QRgb *Row(int y) { return m_pixels + static_cast<std::size_t>(y) * m_width; }
    const QRgb *Row(int y) const { return m_pixels + static_cast<std::size_t>(y) * m_width; }

    // Keeps the top rows; added rows take the fill colour.
    void SetHeight(int height, QRgb fill);

    // Every pixel in one colour.
    void FillAll(QRgb rgb);

    // A new bitmap's fill colour is written only when the bitmap is first
    // used for anything but a fill of the whole of it, which is how every
    // page of a conversion starts: each page's memory is written once less.
    // Row() does not do this; callers that write rows call Materialize first.
    void Materialize() const
    {
        if (m_fillPending)
            fillPending();
    }

    // A QImage on the bitmap's own memory, no copy. It is valid until the
    // next SetHeight and must not outlive the bitmap.
    QImage View() const;
    QImage WritableView();

private:
    int m_width;
    int m_height;
    void fillPending() const;

    QRgb *m_pixels = nullptr;
    mutable bool m_fillPending = false;
    QRgb m_pendingColour = 0;
    std::size_t m_capacity = 0; // in pixels
};
