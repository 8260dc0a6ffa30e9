#pragma once

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

// Writes BGColor, FTName, FTSize, FTColor, FTPitch, FTStyle, FTCSet, HoVar,
// VeVar and Rausch from the render settings into section name.
void SaveSetup(const QByteArray &name, const QString &path = DefaultSettingsPath);

// Sets BGColor, SetupFont's name, size, colour, pitch, style and charset,
// HoVar, VeVar and Rausch, in this order, from section name; missing keys
// take their defaults. A colour, pitch or charset that is not an integer
// raises "'<text>' ist kein gültiger Integerwert" and stops there.
void LoadSetup(const QByteArray &name, const QString &path = DefaultSettingsPath);

// All section names in file order.
QList<QByteArray> ListSetups(const QString &path = DefaultSettingsPath);

// Removes the section and writes the file back (creating it when missing).
void EraseSetup(const QByteArray &name, const QString &path = DefaultSettingsPath);

// An integer of the position section, or the default.
std::int32_t ReadPosition(const QByteArray &key, std::int32_t defaultValue, const QString &path = DefaultSettingsPath);

// Writes the keys in order into the position section with one write-back.
void WritePositions(const QList<std::pair<QByteArray, std::int32_t>> &values,
                    const QString &path = DefaultSettingsPath);

// The defaults of the position section.
struct PositionDefault
{
    const char *key;
    std::int32_t value;
};
inline constexpr PositionDefault PositionDefaults[] = {
    {"WinEditLeft", 50},     {"WinEditTop", 50},      {"WinEditWidth", 300},    {"WinEditHeight", 400},
    {"WinImageLeft", 350},   {"WinImageTop", 50},     {"WinImageWidth", 300},   {"WinImageHeight", 400},
    {"WinSetupLeft", 150},   {"WinSetupTop", 250},    {"WinSaveLoadLeft", 150}, {"WinSaveLoadTop", 250},
};
