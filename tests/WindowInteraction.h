#pragma once

#include "CommandGuard.h"
#include "ErrorMessage.h"
#include "LumoError.h"
#include "TextFile.h"
#include "WholeFile.h"

#include <QAction>
#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QMenu>
#include <QStringList>
#include <QWheelEvent>

// What a user does to the program's windows and what they show back, as the
// window tests drive and read them.

// The menu's entries as the user reads them, in order.
inline QStringList Captions(const QMenu *menu)
{
    QStringList texts;
    for (const QAction *action : menu->actions())
        texts << action->text();
    return texts;
}

// One notch of the wheel over the middle of the widget, as the window system
// sends it.
inline void TurnWheel(QWidget *target, int delta, Qt::KeyboardModifiers modifiers)
{
    const QPointF pos(target->width() / 2.0, target->height() / 2.0);
    QWheelEvent event(pos, target->mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &event);
}

// Enough lines of text to fill several pages of a 300 x 400 picture.
inline QByteArray ManyLines(int count)
{
    QByteArray text;
    for (int i = 0; i < count; ++i)
        text += "Line " + QByteArray::number(i) + " of the text\r\n";
    return text;
}

// The message a message box shows when the file cannot be opened.
inline QString CannotOpenMessage(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return ShownMessage(OpenMessage(FullPath(path), file.errorString()));
}
