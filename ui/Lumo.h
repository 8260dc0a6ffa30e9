#pragma once

#include "WheelNotches.h"
#include "Activation.h"
#include "Colour.h"
#include "FontObject.h"

#include <QByteArray>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QSize>
#include <QString>
#include <memory>

class LumoDialogs;
class LumoWindows;
class QKeyEvent;
class QMenu;
class QWheelEvent;

// The editor's text area. Its text is 8-bit (Windows-1252) with CR LF line
// breaks; long lines wrap on screen only. Its font is a FontObject of its
// own, which the render settings share until a font is chosen in the font
// dialog; the text area follows every change made to that object.
class TLumoMemo : public QPlainTextEdit
{
public:
    // The most bytes the text area takes from a file: far above any text
    // worth rendering, and low enough that the text area stays usable.
    static constexpr qsizetype Capacity = qsizetype(64) * 1024 * 1024;

    explicit TLumoMemo(QWidget *parent = nullptr);
    ~TLumoMemo() override;

    const std::shared_ptr<FontObject> &Font() const { return m_font; }
    // Gives the text area a new font object, a copy of font.
    void SetFont(const FontObject &font);

    // Background colour (a system colour until a setup sets one).
    Colour Color() const { return m_color; }
    void SetColor(Colour colour);

    // The lines separated by CR LF, no break after the last line unless the
    // text ends with one; characters Windows-1252 lacks become "?".
    QByteArray Text() const;
    // Replaces the text; CR LF, CR and LF each break a line.
    void SetText(const QByteArray &text);

private:
    void follow(const std::shared_ptr<FontObject> &font);
    void fontChanged();
    void updateColours();

    std::shared_ptr<FontObject> m_font;
    Colour m_color = clWindow;
};

// The editor window and main window: the text to render, with every command
// in the context menu PopMenu. Closing it ends the program.
class TLumoForm : public QMainWindow, public ActivatableWindow
{
public:
    TLumoForm(LumoDialogs &dialogs, LumoWindows &windows, QWidget *parent = nullptr);

    // Title, text area and menu, render font, stored geometry, standard
    // setup, start text. Raises when the settings file cannot be read.
    void FormCreate();
    // Memo background := BGColor, Memo font colour := SetupFont's colour.
    // Runs when the window becomes active and after a setup was loaded.
    void FormActivate() override;

    // The Memo font object; SetupFont is this very object until a font is
    // chosen in the font dialog.
    std::shared_ptr<FontObject> MemoFont() const;
    // Memo font := a copy of font, in a new object (SetupFont keeps the one
    // it has).
    void SetMemoFont(const FontObject &font);
    void SetMemoBackground(Colour colour);
    // A font colour chosen in the settings window: the Memo font takes it
    // unless it is SetupFont itself, which has it already.
    void TakeFontColour(Colour colour);
    // The text as the conversions and "save text" take it.
    QByteArray MemoText() const;

    // The commands of PopMenu; each shows its own errors.
    void LoadFileClick();
    void SaveFileClick();
    void SaveLoadDeleteClick();
    void SetupClick();
    void ConvertClick();
    void ConvertOneClick();
    void ConvertFileClick();
    void DokuClick();
    void QuitClick();

    // Ctrl+A, whatever else is held, selects the whole text.
    void FormKeyDown(QKeyEvent *event);
    // Ctrl+wheel: one point larger per notch towards the user, one smaller
    // per notch away, never below 1.
    void FormMouseWheelDown();
    void FormMouseWheelUp();

    // The title the load dialog was last shown with (empty before the first
    // load or save).
    QString LoadDialogTitle() const { return m_loadDialogTitle; }

    TLumoMemo *Memo = nullptr;
    // Also the settings window's context menu.
    QMenu *PopMenu = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *commandWindow();
    void createPopMenu();

    void convertMemo(bool onePicture);
    // The first picture of a conversion: as wide as the text area and the
    // font's point size, as high as the text area.
    QSize firstPictureSize() const;
    void loadIntoMemo(const QString &path);
    void wheelTurned(QWheelEvent *event);

    LumoDialogs &m_dialogs;
    LumoWindows &m_windows;
    QString m_loadDialogTitle;
    // Wheel movement short of a whole notch, kept for the next event.
    WheelNotches m_wheel;
};

// The editor window (null until it is created).
extern TLumoForm *LumoForm;

// "Text überschreitet Memo-Kapazität"
QString MemoCapacityMessage();
