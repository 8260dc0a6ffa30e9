#pragma once

#include "PageLook.h"

#include <QPointF>
#include <algorithm>
#include <cstdint>
#include <vector>

// Where the pixels of a picture go when it is turned about its centre and
// then warped by a smooth displacement field, both drawn from the seed and
// the page. The picture keeps its size.
class PageGeometry
{
public:
    PageGeometry(const PageLook &look, std::uint32_t seed, std::int64_t page, int width, int height);

    // The angle drawn for the page, in degrees (clockwise on the screen).
    double Angle() const { return m_angle; }
    // Where the result's point takes its colour from in the drawn picture.
    QPointF Source(QPointF result) const;
    // Where a point of the drawn picture lands in the result.
    QPointF Forward(QPointF drawn) const;
    // The displacement of the warp at a point of the result: the waves
    // sampled every GridStep pixels and blended between (each axis at most
    // the warp's amplitude).
    QPointF Displacement(QPointF result) const;
    static constexpr int GridStep = 8;

private:
    struct Wave
    {
        double kx = 0;
        double ky = 0;
        double phase = 0;
        double weight = 0;
    };

    QPointF turn(QPointF point, double sine) const;
    // The square of the grid a point of the result lies in: its upper left
    // point, how far across and down the point lies, and whether the grid's
    // edge held it (the point outside) across or down.
    struct Square
    {
        const QPointF *at = nullptr;
        double fx = 0;
        double fy = 0;
        bool heldX = false;
        bool heldY = false;
    };
    Square squareOf(QPointF result) const;
    // The waves blended at a point of the square.
    QPointF blend(const Square &square) const;
    // The displacement at a point of the result and how it changes a pixel
    // along each axis.
    struct Slope
    {
        QPointF displacement;
        QPointF alongX;
        QPointF alongY;
    };
    Slope slopeAt(QPointF result) const;

    double m_angle = 0;
    QPointF m_centre;
    double m_cos = 1;
    double m_sin = 0;
    double m_warp = 0;
    Wave m_waves[2][3]; // three waves for each axis
    // The waves at the grid's points, row by row, and the grid's size.
    std::vector<QPointF> m_grid;
    int m_columns = 0;
    int m_rows = 0;
};

// Inline: the resampling asks for a source a pixel.
inline PageGeometry::Square PageGeometry::squareOf(QPointF result) const
{
    // Points far outside the picture take the grid's edge.
    const double unclampedX = result.x() / GridStep + 1;
    const double unclampedY = result.y() / GridStep + 1;
    const double gx = std::clamp(unclampedX, 0.0, m_columns - 1.001);
    const double gy = std::clamp(unclampedY, 0.0, m_rows - 1.001);
    const int column = static_cast<int>(gx);
    const int row = static_cast<int>(gy);
    return {m_grid.data() + static_cast<std::size_t>(row) * m_columns + column, gx - column, gy - row,
            gx != unclampedX, gy != unclampedY};
}

inline QPointF PageGeometry::blend(const Square &square) const
{
    const QPointF *at = square.at;
    const double fx = square.fx;
    const double fy = square.fy;
    return (at[0] * (1 - fx) + at[1] * fx) * (1 - fy) + (at[m_columns] * (1 - fx) + at[m_columns + 1] * fx) * fy;
}

inline QPointF PageGeometry::Displacement(QPointF result) const
{
    if (m_warp == 0)
        return {};
    return blend(squareOf(result));
}

inline QPointF PageGeometry::turn(QPointF point, double sine) const
{
    const QPointF d = point - m_centre;
    return m_centre + QPointF(d.x() * m_cos - d.y() * sine, d.x() * sine + d.y() * m_cos);
}

inline QPointF PageGeometry::Source(QPointF result) const
{
    // Turning back is turning by the opposite angle.
    return turn(result + Displacement(result), -m_sin);
}
