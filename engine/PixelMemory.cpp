#include "PixelMemory.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <limits>
#include <map>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t kSlabSize = std::size_t(64) << 20;
// Below this a bitmap is not worth a slab.
constexpr std::size_t kSmallBytes = std::size_t(64) << 10;
constexpr std::size_t kAlignment = 64;

std::size_t roundUp(std::size_t value, std::size_t step)
{
    return (value + step - 1) / step * step;
}

void *map(std::size_t bytes)
{
    void *memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED)
        throw std::bad_alloc();
    return memory;
}

// A slab hands out its memory front to back. Bitmaps of one conversion are
// freed together, so slabs empty out as a whole; an empty slab is kept for
// the next conversion, its pages marked free so the system can take them
// back under memory pressure, and when it doesn't they are reused without
// a page fault or being cleared again.
struct Slab
{
    char *base = nullptr;
    std::size_t used = 0;
    std::size_t live = 0;
};

class SlabPool
{
public:
    void *allocate(std::size_t bytes)
    {
        std::lock_guard guard(m_lock);
        if (m_slabs.empty() || m_slabs.back().used + bytes > kSlabSize) {
            char *base = nullptr;
            if (m_spare.empty()) {
                base = static_cast<char *>(map(kSlabSize));
            } else {
                base = m_spare.back();
                m_spare.pop_back();
            }
            m_slabs.push_back(Slab{base, 0, 0});
        }
        Slab &slab = m_slabs.back();
        void *memory = slab.base + slab.used;
        slab.used += bytes;
        ++slab.live;
        return memory;
    }

    void free(void *memory, std::size_t size)
    {
        std::lock_guard guard(m_lock);
        auto *bytes = static_cast<char *>(memory);
        for (auto it = m_slabs.begin(); it != m_slabs.end(); ++it) {
            if (bytes >= it->base && bytes < it->base + kSlabSize) {
                if (--it->live == 0) {
                    madvise(it->base, kSlabSize, MADV_FREE);
                    m_spare.push_back(it->base);
                    m_slabs.erase(it);
                } else {
                    // A slab is not reused before it is empty: let the system
                    // have these pages when it needs them.
                    const auto first = roundUp(reinterpret_cast<std::uintptr_t>(bytes), 4096);
                    const auto last = (reinterpret_cast<std::uintptr_t>(bytes) + size) / 4096 * 4096;
                    if (last > first)
                        madvise(reinterpret_cast<void *>(first), last - first, MADV_FREE);
                }
                return;
            }
        }
    }

private:
    std::mutex m_lock;
    std::vector<Slab> m_slabs;
    std::vector<char *> m_spare;
};

SlabPool &pool()
{
    static SlabPool thePool;
    return thePool;
}

// A large bitmap (a growing picture) has a mapping of its own, which the
// system moves rather than copies when the picture grows. The last one
// freed is kept: the next conversion's picture grows into it without the
// system clearing its pages again.
class LargeBlocks
{
public:
    void *allocate(std::size_t bytes)
    {
        const std::size_t wanted = roundUp(bytes, kMapStep);
        std::lock_guard guard(m_lock);
        void *memory = nullptr;
        std::size_t size = wanted;
        if (m_spare && m_spareSize >= wanted) {
            memory = m_spare;
            size = m_spareSize;
            m_spare = nullptr;
        } else {
            memory = map(wanted);
            madvise(memory, wanted, MADV_HUGEPAGE);
        }
        m_live[memory] = size;
        return memory;
    }

    void free(void *memory)
    {
        std::lock_guard guard(m_lock);
        const auto it = m_live.find(memory);
        if (it == m_live.end())
            return;
        const std::size_t size = it->second;
        m_live.erase(it);
        if (m_spare && m_spareSize >= size) {
            munmap(memory, size);
            return;
        }
        if (m_spare)
            munmap(m_spare, m_spareSize);
        // The system may take the pages back when it needs them.
        madvise(memory, size, MADV_FREE);
        m_spare = memory;
        m_spareSize = size;
    }

    void *grow(void *memory, std::size_t bytes)
    {
        const std::size_t wanted = roundUp(bytes, kMapStep);
        std::lock_guard guard(m_lock);
        const auto it = m_live.find(memory);
        if (it == m_live.end())
            throw std::bad_alloc();
        if (it->second >= wanted)
            return memory;
        void *moved = mremap(memory, it->second, wanted, MREMAP_MAYMOVE);
        if (moved == MAP_FAILED)
            throw std::bad_alloc();
        madvise(moved, wanted, MADV_HUGEPAGE);
        m_live.erase(it);
        m_live[moved] = wanted;
        return moved;
    }

private:
    static constexpr std::size_t kMapStep = std::size_t(2) << 20;

    std::mutex m_lock;
    std::map<void *, std::size_t> m_live;
    void *m_spare = nullptr;
    std::size_t m_spareSize = 0;
};

LargeBlocks &largeBlocks()
{
    static LargeBlocks theBlocks;
    return theBlocks;
}

// Pages are mapped lazily, so the system would promise any amount and then
// end the process when the pages are touched. Bitmaps stay within three
// quarters of the machine's memory instead; past that a conversion fails
// with an out-of-memory error the program can report.
std::size_t pixelBudget()
{
    static const std::size_t budget = [] {
        const long pages = sysconf(_SC_PHYS_PAGES);
        const long pageSize = sysconf(_SC_PAGESIZE);
        if (pages <= 0 || pageSize <= 0)
            return std::numeric_limits<std::size_t>::max();
        return static_cast<std::size_t>(pages) / 4 * 3 * static_cast<std::size_t>(pageSize);
    }();
    return budget;
}

std::atomic<std::size_t> bytesInUse{0};

void take(std::size_t bytes)
{
    if (bytesInUse.fetch_add(bytes) + bytes > pixelBudget()) {
        bytesInUse.fetch_sub(bytes);
        throw std::bad_alloc();
    }
}

void giveBack(std::size_t bytes)
{
    bytesInUse.fetch_sub(bytes);
}

QRgb *allocate(std::size_t bytes)
{
    if (bytes < kSmallBytes) {
        void *memory = std::aligned_alloc(kAlignment, bytes);
        if (!memory)
            throw std::bad_alloc();
        return static_cast<QRgb *>(memory);
    }
    if (bytes > kSlabSize / 4)
        return static_cast<QRgb *>(largeBlocks().allocate(bytes));
    return static_cast<QRgb *>(pool().allocate(bytes));
}

std::size_t bytesOf(std::size_t count)
{
    if (count > std::numeric_limits<std::size_t>::max() / sizeof(QRgb) / 2)
        throw std::bad_alloc();
    return roundUp(count * sizeof(QRgb), kAlignment);
}

} // namespace

QRgb *AllocatePixels(std::size_t count)
{
    const std::size_t bytes = bytesOf(count);
    if (bytes == 0)
        return nullptr;
    take(bytes);
    try {
        return allocate(bytes);
    } catch (...) {
        giveBack(bytes);
        throw;
    }
}

void FreePixels(QRgb *pixels, std::size_t count)
{
    if (!pixels)
        return;
    const std::size_t bytes = bytesOf(count);
    giveBack(bytes);
    if (bytes < kSmallBytes)
        std::free(pixels);
    else if (bytes > kSlabSize / 4)
        largeBlocks().free(pixels);
    else
        pool().free(pixels, bytes);
}

QRgb *GrowPixels(QRgb *pixels, std::size_t oldCount, std::size_t newCount)
{
    const std::size_t oldBytes = bytesOf(oldCount);
    const std::size_t newBytes = bytesOf(newCount);
    if (pixels && oldBytes > kSlabSize / 4 && newBytes > oldBytes) {
        take(newBytes - oldBytes);
        try {
            return static_cast<QRgb *>(largeBlocks().grow(pixels, newBytes));
        } catch (...) {
            giveBack(newBytes - oldBytes);
            throw;
        }
    }
    QRgb *grown = AllocatePixels(newCount);
    if (oldCount > 0)
        std::memcpy(grown, pixels, std::min(oldCount, newCount) * sizeof(QRgb));
    FreePixels(pixels, oldCount);
    return grown;
}
