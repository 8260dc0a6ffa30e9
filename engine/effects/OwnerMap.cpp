#include "OwnerMap.h"

#include <functional>

OwnerMap::OwnerMap(int width, int height)
    : m_width(width), m_height(height),
      m_tags(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), NoOwner)
{
}

std::size_t OwnerMap::OwnersHash::operator()(const Owners &owners) const
{
    std::size_t hash = 0;
    for (const std::int32_t owner : owners)
        hash = hash * 1000003u ^ std::hash<std::int32_t>()(owner);
    return hash;
}

std::int32_t OwnerMap::tagOf(const Owners &owners)
{
    if (owners[0] < 0)
        return NoOwner;
    if (owners[1] < 0)
        return owners[0];
    const auto [found, added] = m_setTags.try_emplace(owners, -2 - static_cast<std::int32_t>(m_sets.size()));
    if (added)
        m_sets.push_back(owners);
    return found->second;
}

void OwnerMap::Set(int x, int y, const Owners &owners)
{
    m_tags[index(x, y)] = tagOf(owners);
}

void OwnerBoxes::TakeMap(const OwnerMap &owners)
{
    for (int y = 0; y < owners.Height(); ++y) {
        const std::int32_t *tags = owners.TagRow(y);
        // A run of pixels with the same owners widens their boxes by its
        // ends alone.
        for (int x = 0, end = 0; x < owners.Width(); x = end) {
            const std::int32_t tag = tags[x];
            for (end = x + 1; end < owners.Width() && tags[end] == tag;)
                ++end;
            if (tag == OwnerMap::NoOwner)
                continue;
            TakeAll(owners.OwnersOf(tag), x, y);
            TakeAll(owners.OwnersOf(tag), end - 1, y);
        }
    }
}
