#pragma once

#include <QImage>
#include <QRgb>
#include <cstddef>
#include <cstdint>
#include <memory>

// The 32-bit pixels a page is drawn in: rows top-down without padding, room
// for a number of rows fixed when it is made and a height that may grow up
// to it (a growing picture knows how tall it gets from the layout pass, so
// it never moves). Its memory is a mapping of its own, so that any of its
// pages can go back to the system without touching another allocation.
// Memory is taken within three quarters of the machine's:
// the system would promise more and end the program when it is touched, so
// beyond that std::bad_alloc is raised, which the program reports as out of
// memory.
class PixelBuffer
{
public:
    PixelBuffer() = default;
    // width x rows pixels, height rows of them in use; nothing is cleared.
    PixelBuffer(std::int32_t width, std::int32_t rows, std::int32_t height);
    PixelBuffer(PixelBuffer &&) noexcept = default;
    PixelBuffer &operator=(PixelBuffer &&) noexcept = default;

    std::int32_t Width() const { return m_width; }
    std::int32_t Height() const { return m_height; }
    std::int32_t Rows() const { return m_rows; }
    void SetHeight(std::int32_t height) { m_height = height; }

    QRgb *Row(std::int32_t y) { return m_pixels.get() + static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width); }
    QRgb *Pixels() { return m_pixels.get(); }

    // A QImage on all rows of the memory, no copy; valid while the buffer
    // lives and is not given away.
    QImage View();
    // The same on the rows in use only (a null image when there are none).
    QImage InUse();
    // Hands the memory to a QImage of the height in use, no copy.
    QImage Release() &&;
    // The same for a palette picture whose rows (each padded to 32 bits)
    // the caller has written over the first bytes of the memory; the pages
    // past them go back to the system.
    QImage ReleaseIndexed(const QList<QRgb> &colours) &&;

private:
    // Unmaps the buffer's mapping of this many bytes.
    struct Free
    {
        std::size_t bytes;
        void operator()(QRgb *pixels) const;
    };

    // The buffer, moved into the QImage's cleanup, owns the memory.
    QImage handOver(qsizetype bytesPerLine, QImage::Format format) &&;

    std::unique_ptr<QRgb[], Free> m_pixels;
    std::int32_t m_width = 0;
    std::int32_t m_rows = 0;
    std::int32_t m_height = 0;
};

// A picture of its own memory, taken the same way, its pixels not cleared.
QImage NewPicture(int width, int height, QImage::Format format);

// Raises std::bad_alloc when pictures of this many bytes in all would take
// more than three quarters of the machine's memory: every buffer checks its
// own size, and a conversion that keeps all its pages checks their sum
// before it draws any.
void CheckPictureMemory(std::uint64_t bytes);
