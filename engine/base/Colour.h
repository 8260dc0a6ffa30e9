#pragma once

#include <QColor>
#include <QRgb>
#include <cstdint>

// A colour as the settings file and the windows know it: 0x00BBGGRR, red in
// the low byte. A negative value names a system colour by the index in its low
// byte and is resolved to RGB each time it is drawn.
using Colour = std::int32_t;

inline constexpr Colour clBlack = 0x00000000;
inline constexpr Colour clWhite = 0x00FFFFFF;
inline constexpr Colour clWindowText = static_cast<Colour>(0xFF000008u);
inline constexpr Colour clWindow = static_cast<Colour>(0xFF000005u);

// The colour's current RGB value, system colours taken from the application
// palette (black for text roles and white for the rest when there is no
// application object).
QRgb ColourToRgb(Colour colour);
QColor ColourToQColor(Colour colour);

// The colour value of an RGB colour (never a system colour).
Colour ColourFromQColor(const QColor &color);
