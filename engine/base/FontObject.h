#pragma once

#include "Colour.h"

#include <QFont>
#include <QString>
#include <cstdint>
#include <functional>

// A font face name holds at most this many characters on the platforms the
// settings files come from.
inline constexpr int MaxFontNameLength = 31;

// The font description the engine draws with: family name, size, colour,
// pitch, style flags and charset. The size is kept as the pixel height of the
// em square (stored negative), so the point size reads back through the
// screen's resolution.
class FontObject
{
public:
    enum Pitch : std::uint8_t { fpDefault = 0, fpVariable = 1, fpFixed = 2 };
    enum StyleFlag : std::uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

    // "MS Sans Serif", 8 pt, default pitch, no style, charset 1, window-text colour.
    FontObject();
    // Copies every field; the change callback stays with its object.
    FontObject(const FontObject &other);
    FontObject &operator=(const FontObject &other);

    // Copies every field of other into this object and reports one change.
    void Assign(const FontObject &other);

    QString Name() const { return m_name; }
    void SetName(const QString &name);

    // Size in points: -round(Height x 72 / ppi).
    std::int32_t Size() const;
    // Height := -round(size x ppi / 72), halves away from zero.
    void SetSize(std::int32_t size);

    std::int32_t Height() const { return m_height; }
    void SetHeight(std::int32_t height);

    Colour Color() const { return m_color; }
    void SetColor(Colour color);

    std::uint8_t Pitch() const { return m_pitch; }
    void SetPitch(std::uint8_t pitch);

    std::uint8_t Style() const { return m_style; }
    void SetStyle(std::uint8_t style);
    bool HasStyle(StyleFlag flag) const { return (m_style & flag) != 0; }

    std::uint8_t Charset() const { return m_charset; }
    void SetCharset(std::uint8_t charset);

    // The Qt font that draws this font: pixel size |Height| (the default size
    // for Height 0), weight, slant, underline, strikeout and pitch.
    QFont ToQFont() const;

    // True when both describe the same glyphs in the same colour.
    bool SameAs(const FontObject &other) const;

    // Called after every change of a field, so a window showing this font
    // can follow it.
    std::function<void()> OnChange;

private:
    void changed();

    QString m_name;
    std::int32_t m_height;
    Colour m_color;
    std::uint8_t m_pitch;
    std::uint8_t m_style;
    std::uint8_t m_charset;
};

// The screen's vertical logical resolution when a screen reports one, else 96.
int ScreenPixelsPerInch();

// round(numerator / denominator) with halves away from zero, in 64 bits.
std::int64_t RoundHalfAway(std::int64_t numerator, std::int64_t denominator);
