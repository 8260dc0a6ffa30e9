#pragma once

#include <QRect>
#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <unordered_map>
#include <vector>

// Which characters each pixel of a picture shows: up to four owners a
// pixel (a pixel resampled from four others shows what they showed), each
// a character's number on its page in reading order. Kept only while page
// effects move the pixels about.
//
// A pixel holds one number, its tag: -1 for no owner, the owner itself when
// it has one, or below -1 an entry of the map's list of owner sets. Nearly
// every pixel has no owner or one, so a page's map is a quarter of four
// slots a pixel, and moving it costs that much less.
class OwnerMap
{
public:
    static constexpr int Slots = 4;
    using Owners = std::array<std::int32_t, Slots>;
    // A pixel's tag when it has no owner.
    static constexpr std::int32_t NoOwner = -1;

    OwnerMap() = default;
    OwnerMap(int width, int height);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // The pixel's owners in the order they came, -1 in the slots left over.
    Owners At(int x, int y) const { return OwnersOf(Tag(x, y)); }
    // The pixel's tag: equal tags of one map are equal owners.
    std::int32_t Tag(int x, int y) const { return m_tags[index(x, y)]; }
    // The tags of row y, one a pixel.
    const std::int32_t *TagRow(int y) const { return m_tags.data() + index(0, y); }
    // The owners a tag of this map stands for.
    Owners OwnersOf(std::int32_t tag) const;
    void Set(int x, int y, const Owners &owners);
    // Gives a pixel that has no owner the tag of a pixel of this map.
    void SetTag(int x, int y, std::int32_t tag) { m_tags[index(x, y)] = tag; }
    // Adds an owner to the pixel unless it is there already or the slots are full.
    void Add(int x, int y, std::int32_t owner);
    // Adds every owner of `from`.
    void AddAll(int x, int y, const Owners &from);
    // Adds an owner to a pixel's owners unless it is there already or the slots are full.
    static void AddTo(Owners &owners, std::int32_t owner);
    // Adds every owner of `from` to a pixel's owners, as AddTo does.
    static void AddAllTo(Owners &owners, const Owners &from);

    static Owners None() { return {-1, -1, -1, -1}; }

private:
    std::size_t index(int x, int y) const
    {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) + static_cast<std::size_t>(x);
    }
    // The tag of a set of owners, its first owner -1 for none.
    std::int32_t tagOf(const Owners &owners);

    struct OwnersHash
    {
        std::size_t operator()(const Owners &owners) const;
    };

    int m_width = 0;
    int m_height = 0;
    std::vector<std::int32_t> m_tags;
    // The sets of two or more owners; set k has the tag -2 - k.
    std::vector<Owners> m_sets;
    std::unordered_map<Owners, std::int32_t, OwnersHash> m_setTags;
};

inline OwnerMap::Owners OwnerMap::OwnersOf(std::int32_t tag) const
{
    if (tag >= 0)
        return {tag, -1, -1, -1};
    if (tag == NoOwner)
        return None();
    return m_sets[static_cast<std::size_t>(-2 - tag)];
}

inline void OwnerMap::AddTo(Owners &owners, std::int32_t owner)
{
    for (std::int32_t &slot : owners) {
        if (slot == owner)
            return;
        if (slot < 0) {
            slot = owner;
            return;
        }
    }
}

// Inline: the resampling adds owners for every pixel of ink it moves.
inline void OwnerMap::Add(int x, int y, std::int32_t owner)
{
    std::int32_t &tag = m_tags[index(x, y)];
    if (tag == NoOwner) {
        tag = owner;
        return;
    }
    if (tag == owner)
        return;
    Owners owners = OwnersOf(tag);
    AddTo(owners, owner);
    tag = tagOf(owners);
}

inline void OwnerMap::AddAllTo(Owners &owners, const Owners &from)
{
    for (const std::int32_t owner : from) {
        if (owner < 0)
            break;
        AddTo(owners, owner);
    }
}

inline void OwnerMap::AddAll(int x, int y, const Owners &from)
{
    Owners owners = At(x, y);
    AddAllTo(owners, from);
    Set(x, y, owners);
}

// The box of the pixels each owner shows, taken pixel by pixel: what the
// truth wants of a map once no effect moves its pixels any more, taken
// as the last move makes them, without a map of its result.
class OwnerBoxes
{
public:
    void Take(std::int32_t owner, int x, int y)
    {
        const auto at = static_cast<std::size_t>(owner);
        if (at >= m_boxes.size())
            m_boxes.resize(at + 1);
        Box &box = m_boxes[at];
        box.left = std::min(box.left, x);
        box.right = std::max(box.right, x);
        box.top = std::min(box.top, y);
        box.bottom = std::max(box.bottom, y);
    }
    void TakeAll(const OwnerMap::Owners &owners, int x, int y)
    {
        for (const std::int32_t owner : owners) {
            if (owner < 0)
                break;
            Take(owner, x, y);
        }
    }
    // Every owner's pixels in the map.
    void TakeMap(const OwnerMap &owners);
    // The owner's box, null when it shows no pixel.
    QRect BoxOf(std::size_t owner) const
    {
        if (owner >= m_boxes.size() || m_boxes[owner].right < 0)
            return QRect();
        const Box &box = m_boxes[owner];
        return QRect(QPoint(box.left, box.top), QPoint(box.right, box.bottom));
    }

private:
    struct Box
    {
        int left = std::numeric_limits<int>::max();
        int top = std::numeric_limits<int>::max();
        int right = -1;
        int bottom = -1;
    };
    std::vector<Box> m_boxes;
};
