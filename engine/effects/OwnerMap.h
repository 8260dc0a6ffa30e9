#pragma once

#include <array>
#include <cstdint>
#include <vector>

// Which characters each pixel of a picture shows: up to four owners a
// pixel (a pixel resampled from four others shows what they showed), each
// a character's number on its page in reading order. Kept only while page
// effects move the pixels about.
class OwnerMap
{
public:
    static constexpr int Slots = 4;
    using Owners = std::array<std::int32_t, Slots>;

    OwnerMap() = default;
    OwnerMap(int width, int height);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // The pixel's owners, -1 in the slots left over.
    const Owners &At(int x, int y) const { return m_owners[index(x, y)]; }
    void Set(int x, int y, const Owners &owners) { m_owners[index(x, y)] = owners; }
    // Adds an owner to the pixel unless it is there already or the slots are full.
    void Add(int x, int y, std::int32_t owner);
    // Adds every owner of `from`.
    void AddAll(int x, int y, const Owners &from);

    static Owners None() { return {-1, -1, -1, -1}; }

private:
    std::size_t index(int x, int y) const
    {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) + static_cast<std::size_t>(x);
    }

    int m_width = 0;
    int m_height = 0;
    std::vector<Owners> m_owners;
};

// Inline: the resampling adds owners for every pixel of ink it moves.
inline void OwnerMap::Add(int x, int y, std::int32_t owner)
{
    Owners &owners = m_owners[index(x, y)];
    for (std::int32_t &slot : owners) {
        if (slot == owner)
            return;
        if (slot < 0) {
            slot = owner;
            return;
        }
    }
}

inline void OwnerMap::AddAll(int x, int y, const Owners &from)
{
    for (const std::int32_t owner : from) {
        if (owner < 0)
            break;
        Add(x, y, owner);
    }
}
