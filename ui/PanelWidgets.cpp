#include "PanelWidgets.h"

#include <QPushButton>

QPushButton *CreatePanelButton(QWidget *panel, const QString &name, const QString &text, const QRect &geometry)
{
    auto *button = new QPushButton(text, panel);
    button->setObjectName(name);
    button->setGeometry(geometry);
    return button;
}
