#include "OwnerMap.h"

OwnerMap::OwnerMap(int width, int height)
    : m_width(width), m_height(height),
      m_owners(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), None())
{
}
