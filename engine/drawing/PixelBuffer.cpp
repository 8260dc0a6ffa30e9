#include "PixelBuffer.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <new>
#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr std::size_t HugePageBytes = std::size_t(2) << 20;

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

// A large picture is written once and speckled all over by the noise: on
// huge pages it takes a 512th of the page faults and TLB misses.
void adviseHugePages(void *memory, std::size_t size)
{
    if (size >= HugePageBytes)
        madvise(memory, size, MADV_HUGEPAGE);
}

// QImage wants its rows 32-bit aligned; 64 keeps every row start of a page
// cache-line aligned when the width allows, and a large picture starts on a
// huge page.
void *allocatePictureMemory(std::uint64_t bytes)
{
    CheckPictureMemory(bytes);
    const std::size_t alignment = bytes >= HugePageBytes ? HugePageBytes : 64;
    const std::size_t size = (bytes + alignment - 1) / alignment * alignment;
    void *memory = std::aligned_alloc(alignment, size);
    if (!memory)
        throw std::bad_alloc();
    adviseHugePages(memory, size);
    return memory;
}

std::size_t pageRounded(std::uint64_t bytes)
{
    static const auto pageSize = static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
    return static_cast<std::size_t>((bytes + pageSize - 1) / pageSize * pageSize);
}

void *mapPictureMemory(std::size_t size)
{
    void *memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED)
        throw std::bad_alloc();
    adviseHugePages(memory, size);
    return memory;
}

} // namespace

QImage NewPicture(int width, int height, QImage::Format format)
{
    if (width <= 0 || height <= 0)
        return QImage();
    const int bytesPerPixel = format == QImage::Format_Indexed8 ? 1 : 4;
    // Rows of a palette picture are padded to 32 bits, as QImage wants them.
    const qsizetype bytesPerLine = (qsizetype(width) * bytesPerPixel + 3) / 4 * 4;
    void *memory = allocatePictureMemory(std::uint64_t(bytesPerLine) * std::uint64_t(height));
    return QImage(static_cast<uchar *>(memory), width, height, bytesPerLine, format,
                  [](void *pixels) { std::free(pixels); }, memory);
}

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
    const std::size_t size = pageRounded(bytes);
    m_pixels = std::unique_ptr<QRgb[], Free>(static_cast<QRgb *>(mapPictureMemory(size)), Free{size});
}

void PixelBuffer::Free::operator()(QRgb *pixels) const
{
    munmap(pixels, bytes);
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

QImage PixelBuffer::handOver(qsizetype bytesPerLine, QImage::Format format) &&
{
    auto *owner = new PixelBuffer(std::move(*this));
    return QImage(reinterpret_cast<uchar *>(owner->m_pixels.get()), owner->m_width, owner->m_height, bytesPerLine,
                  format, [](void *buffer) { delete static_cast<PixelBuffer *>(buffer); }, owner);
}

QImage PixelBuffer::ReleaseIndexed(const QList<QRgb> &colours) &&
{
    if (!m_pixels || m_height <= 0)
        return QImage();
    const qsizetype bytesPerLine = (qsizetype(m_width) + 3) / 4 * 4;
    const std::size_t kept = pageRounded(std::uint64_t(bytesPerLine) * std::uint64_t(m_height));
    std::size_t &mapped = m_pixels.get_deleter().bytes;
    if (mapped > kept) {
        munmap(reinterpret_cast<uchar *>(m_pixels.get()) + kept, mapped - kept);
        mapped = kept;
    }
    QImage picture = std::move(*this).handOver(bytesPerLine, QImage::Format_Indexed8);
    picture.setColorTable(colours);
    return picture;
}

QImage PixelBuffer::Release() &&
{
    if (!m_pixels || m_height <= 0)
        return QImage();
    return std::move(*this).handOver(qsizetype(m_width) * 4, QImage::Format_RGB32);
}
