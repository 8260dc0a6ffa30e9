#pragma once

#include "WorkProgress.h"

#include <QMenu>
#include <QSize>
#include <QString>
#include <functional>
#include <initializer_list>

class ConversionTarget;
class LumoDialogs;
class PictureControl;
class QWidget;

// The window a command's dialogs belong to, asked for each time one is
// shown: the editor's menu is the settings window's too, and its commands
// answer over whichever window they were chosen in.
using CommandWindow = std::function<QWidget *()>;

// One entry of a window's context menu: its caption and the window's command.
template <typename Window>
struct MenuCommand
{
    QString caption;
    void (Window::*handler)();
};

// Adds the commands to menu in order, each running on window when chosen;
// the editor and the picture window build their context menus from such
// tables.
template <typename Window>
void AddMenuCommands(QMenu *menu, Window *window, std::initializer_list<MenuCommand<Window>> commands)
{
    for (const MenuCommand<Window> &command : commands)
        QObject::connect(menu->addAction(command.caption), &QAction::triggered, window, command.handler);
}

// A long command's progress, shown over its window and named what: the
// conversions and the picture export of both windows are watched alike.
WorkWatcher ProgressWatcher(LumoDialogs &dialogs, CommandWindow window, const QString &what);

// Clears the first picture of a conversion and gives it its size, as every
// conversion of the editor and the picture window starts.
void ClearFirstPicture(PictureControl &picture, QSize size);

// "convert from file", the caption of the command and of its progress.
QString ConvertFileCaption();

// "convert from file", which the editor and the picture window both offer:
// asks over window for a text file (under title), clears the target's first
// picture and gives it firstPictureSize(), converts the file's lines into the
// target's pictures and shows them. Nothing happens when no file is chosen.
void ConvertFromFile(LumoDialogs &dialogs, const CommandWindow &window, const QString &title,
                     ConversionTarget &target, const std::function<QSize()> &firstPictureSize);
