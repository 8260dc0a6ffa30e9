#include "OwnerMap.h"

OwnerMap::OwnerMap(int width, int height)
    : m_width(width), m_height(height),
      m_owners(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), None())
{
}

void OwnerMap::Add(int x, int y, std::int32_t owner)
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

void OwnerMap::AddAll(int x, int y, const Owners &from)
{
    for (const std::int32_t owner : from) {
        if (owner < 0)
            break;
        Add(x, y, owner);
    }
}
