#include "Bitmap.h"

#include <algorithm>

Bitmap::Bitmap(int width, int height, QRgb fill)
    : m_width(std::max(width, 0)), m_height(std::max(height, 0))
{
    m_pixels.assign(static_cast<std::size_t>(m_width) * m_height, fill);
}

void Bitmap::SetHeight(int height, QRgb fill)
{
    height = std::max(height, 0);
    // vector::resize grows the capacity geometrically.
    m_pixels.resize(static_cast<std::size_t>(m_width) * height, fill);
    m_height = height;
}

QImage Bitmap::View() const
{
    if (m_pixels.empty())
        return QImage();
    return QImage(reinterpret_cast<const uchar *>(m_pixels.data()), m_width, m_height,
                  static_cast<qsizetype>(m_width) * 4, QImage::Format_RGB32);
}

QImage Bitmap::WritableView()
{
    if (m_pixels.empty())
        return QImage();
    return QImage(reinterpret_cast<uchar *>(m_pixels.data()), m_width, m_height,
                  static_cast<qsizetype>(m_width) * 4, QImage::Format_RGB32);
}
