#pragma once

#include <QRect>
#include <QString>

class QPushButton;
class QWidget;

// A push button at a fixed place on a window's panel, under the name the
// program knows it by.
QPushButton *CreatePanelButton(QWidget *panel, const QString &name, const QString &text, const QRect &geometry);
