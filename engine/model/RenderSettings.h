#pragma once

#include "Colour.h"
#include "FontObject.h"
#include "RenderValues.h"
#include "SettingsFile.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

class PictureControl;

// The render settings, shared by every window and read by every conversion.
// They are process-wide by design: the windows read and write them directly
// and refresh their controls from them when they become active.

// The font every character is drawn in. It is the editor's own font object
// until a font is chosen in the font dialog, then that dialog's object.
extern std::shared_ptr<FontObject> SetupFont;
// Picture background, character-cell background and editor background.
extern Colour BGColor;
// Horizontal and vertical jitter amplitude in pixels (0..10 in the windows).
extern std::int32_t HoVar;
extern std::int32_t VeVar;
// Noise level (0..30 in the windows).
extern std::int32_t Rausch;
// The pictures of the last conversion in page order; element 0 is the
// picture window's first picture.
extern std::vector<PictureControl *> ImageList;

// Puts the settings back to their values at program start (tests and
// lumo-render start from these).
void ResetRenderSettings();

// The render settings as they are now, as a value (a copy of SetupFont's fields).
RenderValues CurrentRenderValues();
// Sets BGColor, the fields of the font SetupFont points to, HoVar, VeVar and
// Rausch from the values.
void SetRenderValues(const RenderValues &values);

// Writes the render settings as they are now into section name of the
// settings file.
void SaveSetup(const QByteArray &name, const QString &path = DefaultSettingsPath);
// Sets the render settings from section name (see ReadSetup): a value that
// is not an integer raises, and the settings read before it stay set.
void LoadSetup(const QByteArray &name, const QString &path = DefaultSettingsPath);
