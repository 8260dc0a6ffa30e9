#include "PageGeometry.h"

#include "LumoRandom.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

enum Channel : std::uint32_t { AngleChannel = 101, WaveChannel = 110 };

double unit(std::uint32_t seed, std::int64_t page, std::uint32_t channel)
{
    return LookRandom(seed, static_cast<std::uint64_t>(page), channel);
}

} // namespace

PageGeometry::PageGeometry(const PageLook &look, std::uint32_t seed, std::int64_t page, int width, int height)
    : m_angle(look.rotate * unit(seed, page, AngleChannel)),
      m_centre(width / 2.0, height / 2.0),
      m_cos(std::cos(m_angle * std::numbers::pi / 180)),
      m_sin(std::sin(m_angle * std::numbers::pi / 180)),
      m_warp(look.warp)
{
    std::uint32_t channel = WaveChannel;
    for (auto &axis : m_waves) {
        double total = 0;
        for (Wave &wave : axis) {
            // Waves of 200 to 600 pixels in any direction: paper that bends,
            // not a ripple.
            const double length = 400 + 200 * unit(seed, page, channel++);
            const double direction = std::numbers::pi * unit(seed, page, channel++);
            wave.kx = 2 * std::numbers::pi / length * std::cos(direction);
            wave.ky = 2 * std::numbers::pi / length * std::sin(direction);
            wave.phase = std::numbers::pi * unit(seed, page, channel++);
            wave.weight = 1.5 + unit(seed, page, channel++);
            total += wave.weight;
        }
        for (Wave &wave : axis)
            wave.weight /= total;
    }
    if (m_warp == 0)
        return;
    // The waves are slow against the grid: sampled and blended, they are
    // the same field to a small fraction of a pixel, for a fraction of the sines.
    // The grid reaches a step beyond the picture on every side, where the
    // iterations of Forward may look.
    m_columns = width / GridStep + 4;
    m_rows = height / GridStep + 4;
    // Each wave's sine at a grid point is sin(a + b) with a from its column
    // and b from its row: sin a cos b + cos a sin b, from sines taken once
    // a column and once a row.
    struct SineCosine
    {
        double sine = 0;
        double cosine = 0;
    };
    const auto sineCosine = [](double angle) { return SineCosine{std::sin(angle), std::cos(angle)}; };
    std::vector<SineCosine> across(static_cast<std::size_t>(6 * m_columns));
    std::vector<SineCosine> down(static_cast<std::size_t>(6 * m_rows));
    for (int wave = 0; wave < 6; ++wave) {
        const Wave &w = m_waves[wave / 3][wave % 3];
        for (int column = 0; column < m_columns; ++column)
            across[static_cast<std::size_t>(wave * m_columns + column)] = sineCosine(w.kx * ((column - 1) * GridStep));
        for (int row = 0; row < m_rows; ++row)
            down[static_cast<std::size_t>(wave * m_rows + row)] = sineCosine(w.ky * ((row - 1) * GridStep) + w.phase);
    }
    m_grid.reserve(static_cast<std::size_t>(m_columns) * m_rows);
    for (int row = 0; row < m_rows; ++row) {
        for (int column = 0; column < m_columns; ++column) {
            double d[2] = {0, 0};
            for (int wave = 0; wave < 6; ++wave) {
                const SineCosine &a = across[static_cast<std::size_t>(wave * m_columns + column)];
                const SineCosine &b = down[static_cast<std::size_t>(wave * m_rows + row)];
                d[wave / 3] += m_waves[wave / 3][wave % 3].weight * (a.sine * b.cosine + a.cosine * b.sine);
            }
            m_grid.push_back(QPointF(d[0], d[1]) * m_warp);
        }
    }
}

QPointF PageGeometry::Forward(QPointF drawn) const
{
    const QPointF turned = turn(drawn, m_sin);
    if (m_warp == 0)
        return turned;
    // The result point p with p + Displacement(p) = turned, by Newton's
    // steps: the field is blended linearly within each square of the grid,
    // so its slope there is known, and each step squares the error. It
    // stops once a step moves the point by less than a millionth of a pixel.
    QPointF point = turned;
    for (int step = 0; step < 8; ++step) {
        const Slope slope = slopeAt(point);
        const QPointF residual = point + slope.displacement - turned;
        // (1 + J) change = residual, J the field's slope, near 0.
        const double a = 1 + slope.alongX.x();
        const double b = slope.alongY.x();
        const double c = slope.alongX.y();
        const double d = 1 + slope.alongY.y();
        const double determinant = a * d - b * c;
        const QPointF change((d * residual.x() - b * residual.y()) / determinant,
                             (a * residual.y() - c * residual.x()) / determinant);
        point -= change;
        if (std::abs(change.x()) + std::abs(change.y()) < 1e-6)
            break;
    }
    return point;
}

PageGeometry::Slope PageGeometry::slopeAt(QPointF result) const
{
    const Square square = squareOf(result);
    const QPointF upperLeft = square.at[0];
    const QPointF upperRight = square.at[1];
    const QPointF lowerLeft = square.at[m_columns];
    const QPointF lowerRight = square.at[m_columns + 1];
    Slope slope;
    slope.displacement = blend(square);
    // Where the grid's edge holds a point outside, the field is flat.
    if (!square.heldX)
        slope.alongX = ((upperRight - upperLeft) * (1 - square.fy) + (lowerRight - lowerLeft) * square.fy) / GridStep;
    if (!square.heldY)
        slope.alongY = ((lowerLeft - upperLeft) * (1 - square.fx) + (lowerRight - upperRight) * square.fx) / GridStep;
    return slope;
}
