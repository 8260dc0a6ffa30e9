#pragma once

#include "Colour.h"

#include <QRect>
#include <QString>

class FontObject;
class PictureControl;
class PictureOwner;
class QMenu;

// Where a conversion draws, as the picture window offers it: its first
// picture, the owner of the pages a conversion makes, and showing the
// pictures after a conversion (or before one, once the first picture was
// cleared). The editor reaches it through LumoWindows, the picture window is
// it, so that both run the one "convert from file".
class ConversionTarget
{
public:
    virtual ~ConversionTarget() = default;

    virtual PictureControl &FirstPicture() = 0;
    virtual PictureOwner &Pictures() = 0;
    virtual void PicturesChanged() = 0;
    virtual void ShowPictures() = 0;
};

// What the program's windows need of each other, and nothing more. Every
// window is handed this when it is made; start-up implements it once over
// the four windows, so no window knows another window's class.
class LumoWindows : public ConversionTarget
{
public:
    // The picture window: where a conversion draws (see ConversionTarget)
    // and its client height.
    virtual void SetPictureClientHeight(int height) = 0;

    // The editor: its activation, a font, a background or a font colour the
    // settings window hands it, its "convert" command and its context menu.
    virtual void ActivateEditor() = 0;
    virtual void GiveEditorFont(const FontObject &font) = 0;
    virtual void GiveEditorBackground(Colour colour) = 0;
    virtual void GiveEditorFontColour(Colour colour) = 0;
    virtual void ConvertEditorText() = 0;
    virtual QMenu *EditorMenu() = 0;

    // The settings window: its activation, and showing it.
    virtual void ActivateSettings() = 0;
    virtual void ShowSettings() = 0;

    // The settings manager: showing it, with a proposed setup name or
    // with its name field as it is.
    virtual void ShowManager() = 0;
    virtual void ProposeSetupName(const QString &name) = 0;

    // Where the editor and the picture window are, as the position section
    // stores it (Left, Top, Width, Height).
    virtual QRect EditorPlace() = 0;
    virtual QRect PicturePlace() = 0;
};
