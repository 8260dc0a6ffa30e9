#pragma once

#include <QColor>
#include <QPointF>
#include <QPolygonF>
#include <QRgb>
#include <QTransform>
#include <cstdint>

// The hand-set look of each character, drawn on top of the jitter: a
// character turned and sized by its own random amounts, its line's
// baseline following a smooth curve, its ink worn lighter. Every amount is
// drawn from the conversion's seed and the character's place in the text
// (or its line's place on its page), not from the conversion's generator,
// so the jitter and the noise stay what they are, and a page comes out the
// same whichever worker draws it.
struct CharacterLook
{
    // Each character turned by up to this many degrees either way.
    double rotate = 0;
    // Each character's size changed by up to this many percent either way.
    double scalePercent = 0;
    // The amplitude in pixels of each line's baseline curve.
    double baselineDrift = 0;
    // Each character's ink up to this many percent of the way to the background.
    double inkFadePercent = 0;

    bool Any() const { return rotate != 0 || scalePercent != 0 || baselineDrift != 0 || inkFadePercent != 0; }
    bool operator==(const CharacterLook &) const = default;
};

// How one character is drawn: its cell moved down by drift, the glyph
// turned and sized about the cell's centre, in its faded colour.
struct CharacterPose
{
    double angle = 0;
    double scale = 1;
    int drift = 0;
    QRgb colour = 0;

    // The glyph's transform for a cell of this size with its top-left
    // corner at `at` (drift not included).
    QTransform Transform(QPointF at, double width, double height) const;
};

// The pose of the character at index of the text, in a conversion with this
// seed, look and colours.
CharacterPose PoseOf(const CharacterLook &look, std::uint32_t seed, std::int64_t index, QRgb foreground,
                     QRgb background);

// A line's baseline curve: the drift at x of line `line` of page `page`.
class BaselineCurve
{
public:
    BaselineCurve(const CharacterLook &look, std::uint32_t seed, std::int64_t page, std::int64_t line);
    int DriftAt(double x) const;

private:
    double m_amplitude;
    double m_waves[2][2]; // wave length and phase of each of two waves
};

// The four corners of a cell drawn with the pose (its top-left corner at
// `at` before the drift), clockwise from the top-left.
QPolygonF PosedCell(const CharacterPose &pose, QPointF at, double width, double height);
