#pragma once

#include "Colour.h"
#include "FontObject.h"

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
