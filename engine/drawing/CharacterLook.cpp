#include "CharacterLook.h"

#include "LumoRandom.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

enum Channel : std::uint32_t { AngleChannel = 1, ScaleChannel, FadeChannel, WaveChannel };

std::uint64_t lineKey(std::int64_t page, std::int64_t line)
{
    return static_cast<std::uint64_t>(page) << 32 ^ static_cast<std::uint64_t>(line);
}

int channelOf(std::uint8_t value, std::uint8_t background, double fade)
{
    return static_cast<int>(std::lround(value + (background - value) * fade));
}

} // namespace

QTransform CharacterPose::Transform(QPointF at, double width, double height) const
{
    const QPointF centre = at + QPointF(width / 2, height / 2);
    QTransform transform;
    transform.translate(centre.x(), centre.y());
    transform.rotate(angle);
    transform.scale(scale, scale);
    transform.translate(-centre.x(), -centre.y());
    return transform;
}

CharacterPose PoseOf(const CharacterLook &look, std::uint32_t seed, std::int64_t index, QRgb foreground,
                     QRgb background)
{
    const auto key = static_cast<std::uint64_t>(index);
    CharacterPose pose;
    // Whole steps of a tenth of a degree and half a percent: finer turns
    // and sizes would not show, and a glyph in a pose drawn before is not
    // drawn again (PosedGlyph).
    pose.angle = std::round(look.rotate * LookRandom(seed, key, AngleChannel) * 10) / 10;
    pose.scale = 1.0 + std::round(look.scalePercent * LookRandom(seed, key, ScaleChannel) * 2) / 200;
    // Worn type only ever gets lighter.
    const double fade = look.inkFadePercent / 100.0 * (LookRandom(seed, key, FadeChannel) + 1.0) / 2.0;
    pose.colour = qRgb(channelOf(qRed(foreground), qRed(background), fade),
                       channelOf(qGreen(foreground), qGreen(background), fade),
                       channelOf(qBlue(foreground), qBlue(background), fade));
    return pose;
}

BaselineCurve::BaselineCurve(const CharacterLook &look, std::uint32_t seed, std::int64_t page, std::int64_t line)
    : m_amplitude(look.baselineDrift)
{
    const std::uint64_t key = lineKey(page, line);
    for (std::uint32_t wave = 0; wave < 2; ++wave) {
        // Waves of 150 to 600 pixels: slow against a character, a few to a line.
        m_waves[wave][0] = 375 + 225 * LookRandom(seed, key, WaveChannel + 2 * wave);
        m_waves[wave][1] = std::numbers::pi * LookRandom(seed, key, WaveChannel + 2 * wave + 1);
    }
}

int BaselineCurve::DriftAt(double x) const
{
    if (m_amplitude == 0)
        return 0;
    const double curve = 0.6 * std::sin(2 * std::numbers::pi * x / m_waves[0][0] + m_waves[0][1])
                       + 0.4 * std::sin(2 * std::numbers::pi * x / m_waves[1][0] + m_waves[1][1]);
    return static_cast<int>(std::lround(m_amplitude * curve));
}

QPolygonF PosedCell(const CharacterPose &pose, QPointF at, double width, double height)
{
    const QPointF moved = at + QPointF(0, pose.drift);
    const QTransform transform = pose.Transform(moved, width, height);
    QPolygonF corners = transform.map(QPolygonF(QRectF(moved, QSizeF(width, height))));
    corners.resize(4); // the rectangle's polygon closes with its first corner again
    return corners;
}
