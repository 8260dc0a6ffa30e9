#include "Colour.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

struct SystemColour
{
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
    bool textLike; // black without an application, white otherwise
};

// The system colour indices as the settings file stores them, mapped to the
// palette role that plays the same part on this desktop.
SystemColour systemColour(int index)
{
    using P = QPalette;
    switch (index) {
    case 0: return {P::Active, P::Button, false};            // scroll bar
    case 1: return {P::Active, P::Window, false};            // desktop
    case 2: return {P::Active, P::Highlight, true};          // active caption
    case 3: return {P::Inactive, P::Highlight, true};        // inactive caption
    case 4: return {P::Active, P::Window, false};            // menu
    case 5: return {P::Active, P::Base, false};              // window
    case 6: return {P::Active, P::Shadow, true};             // window frame
    case 7: return {P::Active, P::WindowText, true};         // menu text
    case 8: return {P::Active, P::Text, true};               // window text
    case 9: return {P::Active, P::HighlightedText, false};   // caption text
    case 10: return {P::Active, P::Button, false};           // active border
    case 11: return {P::Active, P::Button, false};           // inactive border
    case 12: return {P::Active, P::Mid, false};              // application workspace
    case 13: return {P::Active, P::Highlight, true};         // highlight
    case 14: return {P::Active, P::HighlightedText, false};  // highlight text
    case 15: return {P::Active, P::Button, false};           // button face
    case 16: return {P::Active, P::Dark, true};              // button shadow
    case 17: return {P::Disabled, P::Text, true};            // grey text
    case 18: return {P::Active, P::ButtonText, true};        // button text
    case 19: return {P::Inactive, P::HighlightedText, true}; // inactive caption text
    case 20: return {P::Active, P::Light, false};            // button highlight
    case 21: return {P::Active, P::Shadow, true};            // 3D dark shadow
    case 22: return {P::Active, P::Midlight, false};         // 3D light
    case 23: return {P::Active, P::ToolTipText, true};       // info text
    case 24: return {P::Active, P::ToolTipBase, false};      // info background
    default: return {P::Active, P::WindowText, true};
    }
}

} // namespace

QRgb ColourToRgb(Colour colour)
{
    if (colour < 0) {
        const SystemColour sys = systemColour(colour & 0xFF);
        if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
            return QGuiApplication::palette().color(sys.group, sys.role).rgb();
        return sys.textLike ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
    }
    const auto value = static_cast<std::uint32_t>(colour);
    return qRgb(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

QColor ColourToQColor(Colour colour)
{
    return QColor(ColourToRgb(colour));
}

Colour ColourFromQColor(const QColor &color)
{
    const QColor rgb = color.toRgb();
    return static_cast<Colour>(static_cast<std::uint32_t>(rgb.red())
                               | (static_cast<std::uint32_t>(rgb.green()) << 8)
                               | (static_cast<std::uint32_t>(rgb.blue()) << 16));
}
