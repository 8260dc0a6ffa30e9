#pragma once

#include "FontObject.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QFontComboBox;
class QLabel;

// The font dialog of the settings window, laid out like the classic desktop
// font dialog: name, style and size, the effects strikeout and underline, a
// colour out of the sixteen standard colours, and a sample of the result.
// Pitch and charset are not offered and come back as they went in.
class LumoFontDialog : public QDialog
{
    Q_OBJECT

public:
    explicit LumoFontDialog(QWidget *parent = nullptr);

    // Shows font's name, style, size, effects and colour.
    void SetFont(const FontObject &font);

    // The font that SetFont was given, with the choices of the dialog. Fields
    // the user left alone keep their exact values: an unchanged size keeps
    // its pixel height, an unchanged colour its value even when it names a
    // system colour.
    FontObject Font() const;

    QFontComboBox *FontNameBox = nullptr;
    QComboBox *StyleBox = nullptr;
    QComboBox *SizeBox = nullptr;
    QCheckBox *StrikeoutCheck = nullptr;
    QCheckBox *UnderlineCheck = nullptr;
    QComboBox *ColourBox = nullptr;
    QLabel *SampleLabel = nullptr;
    QDialogButtonBox *Buttons = nullptr;

private:
    void createWidgets();
    void selectColour(Colour colour);
    void UpdateSample();

    FontObject m_font;
};
