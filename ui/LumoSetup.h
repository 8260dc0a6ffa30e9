#pragma once

#include "Activation.h"
#include "CustomColours.h"
#include "FontObject.h"

#include <QMainWindow>
#include <memory>

class LumoDialogs;
class LumoWindows;
class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QSlider;

// The text of the font sample and the name the settings manager proposes:
// name, size, then "bold ", "italic ", "underline " and "strikeout" for the
// styles that are set ("Arial 8 " for a plain Arial 8 pt).
QString FontDescription(const FontObject &font);

// The settings window: edits the render settings in place (font, colours,
// jitter, noise), saves the window layout with the standard setup and
// proposes a setup name to the settings manager.
class TLumoSetupForm : public QMainWindow, public ActivatableWindow
{
    Q_OBJECT

public:
    TLumoSetupForm(LumoDialogs &dialogs, LumoWindows &windows, QWidget *parent = nullptr);

    // Title, font sample, noise range, handlers, stored position, custom
    // colours. Raises when the settings file cannot be read.
    void FormCreate();
    // Shows the render settings as they are now.
    void FormActivate() override;

    void LabFontClick();
    void BtnHintergrundClick();
    void BtnFontColorClick();
    void BtnConvertClick();
    void SaveProgSetupClick();
    void SaveLoadDeleteClick();
    void CloseClick();
    void TrBarXChange(int position);
    void TrBarYChange(int position);
    void TrackBarRauschChange(int position);

    QWidget *Panel = nullptr;
    QLabel *LabFont = nullptr;
    QLabel *LabHorizonal = nullptr;
    QLabel *LabVertikal = nullptr;
    QLabel *LabRauschen = nullptr;
    QSlider *TrBarX = nullptr;
    QSlider *TrBarY = nullptr;
    QSlider *TrackBarRausch = nullptr;
    QPushButton *BtnHintergrund = nullptr;
    QPushButton *BtnFontColor = nullptr;
    QPushButton *BtnConvert = nullptr;

    QMenu *DateiMenu = nullptr;
    QAction *saveSetupAs = nullptr;
    QAction *SaveLoadDelete = nullptr;
    QAction *changeFont1 = nullptr;
    QAction *colorbackground1 = nullptr;
    QAction *colorfont1 = nullptr;
    QAction *convert1 = nullptr;
    QAction *close1 = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createPanel();
    void createMenus();
    void connectHandlers();
    void showContextMenu(const QPoint &pos);
    void showFontSample(const FontObject &font);
    void storeCustomColours(const CustomColourSlots &customColours);

    LumoDialogs &m_dialogs;
    LumoWindows &m_windows;
    // The font dialog's own font object; once a font is accepted SetupFont is
    // this very object.
    std::shared_ptr<FontObject> m_dialogFont;
    CustomColours m_customColours;
};

extern TLumoSetupForm *LumoSetupForm;
