#pragma once

#include "Colour.h"
#include "FontObject.h"
#include "WorkProgress.h"

#include <QString>
#include <array>
#include <functional>
#include <optional>

class QWidget;

// Every question a window asks the user goes through this interface: the
// program answers with Qt's dialogs, the tests answer from a script.
class LumoDialogs
{
public:
    virtual ~LumoDialogs() = default;

    // An open-file dialog that also takes the name of a file that does not
    // exist yet. title may be empty. Nothing when cancelled.
    virtual std::optional<QString> OpenFileName(QWidget *parent, const QString &title) = 0;
    // A save-file dialog without title, filter or default extension.
    virtual std::optional<QString> SaveFileName(QWidget *parent) = 0;
    // Name, style, size, underline, strikeout and colour, starting from font.
    // Writes the choice into font and returns true when accepted.
    virtual bool ChooseFont(QWidget *parent, FontObject &font) = 0;
    // A colour, starting from initial, with sixteen custom colours (-1 for an
    // empty slot) that the dialog may change. Nothing when cancelled.
    virtual std::optional<Colour> ChooseColour(QWidget *parent, Colour initial,
                                               std::array<Colour, 16> &customColours) = 0;
    // A critical message box with one OK button.
    virtual void ShowError(QWidget *parent, const QString &title, const QString &text) = 0;
    // Runs work (pages drawn or written on worker threads, counted in
    // progress) and returns when it is over, rethrowing what it raised.
    // Meanwhile the program takes no other command: once the work has run
    // for about half a second a modal progress dialog says what is done
    // and how many pages of all, and its Cancel sets progress.cancelled.
    virtual void RunWithProgress(QWidget *parent, const QString &what, WorkProgress &progress,
                                 const std::function<void()> &work) = 0;
};
