#include "Activation.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

ActivationTracker::ActivationTracker(QObject *parent) : QObject(parent)
{
    qApp->installEventFilter(this);
}

bool ActivationTracker::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::WindowActivate) {
        auto *widget = qobject_cast<QWidget *>(watched);
        auto *window = dynamic_cast<ActivatableWindow *>(widget);
        if (widget && widget->isWindow() && window && widget != m_last) {
            m_last = widget;
            window->FormActivate();
        }
    }
    return QObject::eventFilter(watched, event);
}
