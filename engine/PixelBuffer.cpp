#include "PixelBuffer.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <new>
#include <unistd.h>

namespace {

std::uint64_t memoryBudget()
{
    static const std::uint64_t budget = [] {
        const long pages = sysconf(_SC_PHYS_PAGES);
        const long pageSize = sysconf(_SC_PAGESIZE);
        if (pages <= 0 || pageSize <= 0)
            return std::numeric_limits<std::uint64_t>::max();
        return static_cast<std::uint64_t>(pages) / 4 * 3 * static_cast<std::uint64_t>(pageSize);
    }();
    return budget;
}

} // namespace

void CheckPictureMemory(std::uint64_t bytes)
{
    if (bytes > memoryBudget())
        throw std::bad_alloc();
}

PixelBuffer::PixelBuffer(std::int32_t width, std::int32_t rows, std::int32_t height)
    : m_width(std::max(width, 0)), m_rows(std::max(rows, 0)), m_height(height)
{
    const std::uint64_t bytes = std::uint64_t(m_width) * std::uint64_t(m_rows) * sizeof(QRgb);
    if (bytes == 0)
        return;
    CheckPictureMemory(bytes);
    // QImage wants its rows 32-bit aligned; 64 keeps every row start of a
    // page cache-line aligned when the width allows.
    void *memory = std::aligned_alloc(64, (bytes + 63) / 64 * 64);
    if (!memory)
        throw std::bad_alloc();
    m_pixels.reset(static_cast<QRgb *>(memory));
}

void PixelBuffer::Free::operator()(QRgb *pixels) const
{
    std::free(pixels);
}

QImage PixelBuffer::View()
{
    if (!m_pixels)
        return QImage();
    return QImage(reinterpret_cast<uchar *>(m_pixels.get()), m_width, m_rows, qsizetype(m_width) * 4,
                  QImage::Format_RGB32);
}

QImage PixelBuffer::InUse()
{
    if (!m_pixels || m_height <= 0)
        return QImage();
    return QImage(reinterpret_cast<uchar *>(m_pixels.get()), m_width, m_height, qsizetype(m_width) * 4,
                  QImage::Format_RGB32);
}

QImage PixelBuffer::Release() &&
{
    if (!m_pixels || m_height <= 0)
        return QImage();
    QRgb *pixels = m_pixels.release();
    return QImage(reinterpret_cast<uchar *>(pixels), m_width, m_height, qsizetype(m_width) * 4, QImage::Format_RGB32,
                  [](void *memory) { std::free(memory); }, pixels);
}
