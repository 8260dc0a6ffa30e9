#pragma once

#include "RenderValues.h"
#include "SettingsFile.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <utility>

// Named setups and the window positions in the settings file. Every function
// opens its own copy of the file and is done with it when it returns.

inline const QByteArray StandardSetupName = QByteArrayLiteral("__StandardSetup__");
inline const QByteArray PositionSection = QByteArrayLiteral("__SetupProgamPositions__");

// A font name as the settings file keeps it: its first 31 characters,
// without blanks or control characters at either end. SaveSetup writes and
// LoadSetup reads font names through this one rule.
QByteArray StoredFontName(const QByteArray &name);

// The ten keys of a setup section with the values WriteSetup writes for
// the render settings, in the order it writes them.
QList<std::pair<QByteArray, QByteArray>> SetupValues(const RenderValues &values);

// Writes BGColor, FTName, FTSize, FTColor, FTPitch, FTStyle, FTCSet, HoVar,
// VeVar and Rausch of the values into section name.
void WriteSetup(const QByteArray &name, const RenderValues &values, const QString &path = DefaultSettingsPath);

// Reads the background, the font's name, size, colour, pitch, style and
// charset, HoVar, VeVar and Rausch, in this order, from section name into
// values; missing keys take their defaults, an empty font name keeps the
// font's. A colour, pitch or charset that is not an integer raises "'<text>'
// ist kein gültiger Integerwert" and stops there: the keys before it are
// read into values, the rest are left as they were.
void ReadSetup(const QByteArray &name, RenderValues &values, const QString &path = DefaultSettingsPath);

// All section names in file order.
QList<QByteArray> ListSetups(const QString &path = DefaultSettingsPath);

// Removes the section and writes the file back (creating it when missing).
void EraseSetup(const QByteArray &name, const QString &path = DefaultSettingsPath);

// A key of the position section with the value a window takes when the
// file has none. The keys are named here once; windows use these names, so
// a mistyped key does not compile.
struct PositionKey
{
    const char *name;
    std::int32_t defaultValue;
};

namespace PositionKeys {
inline constexpr PositionKey WinEditLeft{"WinEditLeft", 50};
inline constexpr PositionKey WinEditTop{"WinEditTop", 50};
inline constexpr PositionKey WinEditWidth{"WinEditWidth", 300};
inline constexpr PositionKey WinEditHeight{"WinEditHeight", 400};
inline constexpr PositionKey WinImageLeft{"WinImageLeft", 350};
inline constexpr PositionKey WinImageTop{"WinImageTop", 50};
inline constexpr PositionKey WinImageWidth{"WinImageWidth", 300};
inline constexpr PositionKey WinImageHeight{"WinImageHeight", 400};
inline constexpr PositionKey WinSetupLeft{"WinSetupLeft", 150};
inline constexpr PositionKey WinSetupTop{"WinSetupTop", 250};
inline constexpr PositionKey WinSaveLoadLeft{"WinSaveLoadLeft", 150};
inline constexpr PositionKey WinSaveLoadTop{"WinSaveLoadTop", 250};

inline constexpr PositionKey All[] = {
    WinEditLeft,  WinEditTop,  WinEditWidth,  WinEditHeight, WinImageLeft,    WinImageTop,
    WinImageWidth, WinImageHeight, WinSetupLeft, WinSetupTop, WinSaveLoadLeft, WinSaveLoadTop,
};
} // namespace PositionKeys

// The key's integer in the position section, or its default.
std::int32_t ReadPosition(const PositionKey &key, const QString &path = DefaultSettingsPath);

// Writes the keys in order into the position section with one write-back.
void WritePositions(const QList<std::pair<PositionKey, std::int32_t>> &values,
                    const QString &path = DefaultSettingsPath);
