#include "WindowPlacement.h"

#include <QLayout>
#include <QWidget>

void MoveToStoredPosition(QWidget *window, const PositionKey &leftKey, const PositionKey &topKey)
{
    window->move(ReadPosition(leftKey), window->y());
    window->move(window->x(), ReadPosition(topKey));
}

void SettleFixedSize(QWidget *window)
{
    window->layout()->setSizeConstraint(QLayout::SetFixedSize);
    window->layout()->activate();
}

void ShowAndActivate(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}
