#include "FontObject.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <cstdlib>

std::int64_t RoundHalfAway(std::int64_t numerator, std::int64_t denominator)
{
    if (denominator < 0) {
        numerator = -numerator;
        denominator = -denominator;
    }
    const std::int64_t magnitude = (std::llabs(numerator) * 2 + denominator) / (2 * denominator);
    return numerator < 0 ? -magnitude : magnitude;
}

int ScreenPixelsPerInch()
{
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        if (const QScreen *screen = QGuiApplication::primaryScreen()) {
            const int ppi = qRound(screen->logicalDotsPerInchY());
            if (ppi > 0)
                return ppi;
        }
    }
    return 96;
}

FontObject::FontObject()
    : m_name(QStringLiteral("MS Sans Serif")),
      m_height(0),
      m_color(clWindowText),
      m_pitch(fpDefault),
      m_style(0),
      m_charset(1)
{
    SetSize(8);
}

FontObject::FontObject(const FontObject &other)
    : m_name(other.m_name),
      m_height(other.m_height),
      m_color(other.m_color),
      m_pitch(other.m_pitch),
      m_style(other.m_style),
      m_charset(other.m_charset)
{
}

FontObject &FontObject::operator=(const FontObject &other)
{
    Assign(other);
    return *this;
}

void FontObject::Assign(const FontObject &other)
{
    if (this == &other)
        return;
    m_name = other.m_name;
    m_height = other.m_height;
    m_color = other.m_color;
    m_pitch = other.m_pitch;
    m_style = other.m_style;
    m_charset = other.m_charset;
    changed();
}

void FontObject::SetName(const QString &name)
{
    m_name = name;
    changed();
}

std::int32_t FontObject::Size() const
{
    return static_cast<std::int32_t>(
        -RoundHalfAway(static_cast<std::int64_t>(m_height) * 72, ScreenPixelsPerInch()));
}

void FontObject::SetSize(std::int32_t size)
{
    // Sizes far beyond any screen are kept in range rather than wrapped;
    // only what does not fit in 32 bits is clamped.
    const std::int64_t height = -RoundHalfAway(static_cast<std::int64_t>(size) * ScreenPixelsPerInch(), 72);
    m_height = static_cast<std::int32_t>(std::clamp<std::int64_t>(height, INT32_MIN, INT32_MAX));
    changed();
}

void FontObject::SetHeight(std::int32_t height)
{
    m_height = height;
    changed();
}

void FontObject::SetColor(Colour color)
{
    m_color = color;
    changed();
}

void FontObject::SetPitch(std::uint8_t pitch)
{
    m_pitch = pitch;
    changed();
}

void FontObject::SetStyle(std::uint8_t style)
{
    m_style = style & 0x0F;
    changed();
}

void FontObject::SetCharset(std::uint8_t charset)
{
    m_charset = charset;
    changed();
}

QFont FontObject::ToQFont() const
{
    QFont font(m_name);
    const std::int64_t pixels = std::llabs(static_cast<std::int64_t>(m_height));
    if (pixels > 0)
        font.setPixelSize(static_cast<int>(std::min<std::int64_t>(pixels, 0xFFFF)));
    font.setBold(HasStyle(fsBold));
    font.setItalic(HasStyle(fsItalic));
    font.setUnderline(HasStyle(fsUnderline));
    font.setStrikeOut(HasStyle(fsStrikeOut));
    if (m_pitch == fpFixed) {
        font.setFixedPitch(true);
        font.setStyleHint(QFont::Monospace);
    }
    return font;
}

bool FontObject::SameAs(const FontObject &other) const
{
    return m_name == other.m_name && m_height == other.m_height && m_color == other.m_color
        && m_pitch == other.m_pitch && m_style == other.m_style && m_charset == other.m_charset;
}

void FontObject::changed()
{
    if (OnChange)
        OnChange();
}
