#pragma once

#include "LumoDialogs.h"

// The program's answers to LumoDialogs: Qt's own dialogs, always Qt's
// widget versions so that they look and behave the same on every desktop.
class QtDialogs : public LumoDialogs
{
public:
    std::optional<QString> OpenFileName(QWidget *parent, const QString &title) override;
    std::optional<QString> SaveFileName(QWidget *parent) override;
    bool ChooseFont(QWidget *parent, FontObject &font) override;
    std::optional<Colour> ChooseColour(QWidget *parent, Colour initial,
                                       std::array<Colour, 16> &customColours) override;
    void ShowError(QWidget *parent, const QString &title, const QString &text) override;
    void RunWithProgress(QWidget *parent, const QString &what, WorkProgress &progress,
                         const std::function<void()> &work) override;
};
