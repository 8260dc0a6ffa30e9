#include "PictureView.h"

#include "PictureControl.h"
#include "RenderSettings.h"

#include <QContextMenuEvent>
#include <QPaintEvent>
#include <QPainter>

PictureView::PictureView(QWidget *parent) : QWidget(parent)
{
}

QRect PictureView::PictureRect(const PictureControl &picture) const
{
    return QRect(picture.Left() - x(), picture.Top() - y(), picture.Width(), picture.Height());
}

PictureControl *PictureView::PictureAt(const QPoint &pos) const
{
    // Later pictures lie above earlier ones.
    for (auto it = ImageList.rbegin(); it != ImageList.rend(); ++it) {
        if (PictureRect(**it).contains(pos))
            return *it;
    }
    return nullptr;
}

void PictureView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QRect exposed = event->rect();
    for (const PictureControl *picture : ImageList) {
        if (!picture->HasBitmap())
            continue;
        // The bitmap sits at the picture's top-left corner at its own size,
        // cut off at the picture's bounds.
        const QRect bounds = PictureRect(*picture);
        const QRect shown = bounds.intersected(QRect(bounds.topLeft(), QSize(picture->BitmapWidth(), picture->BitmapHeight())))
                                .intersected(exposed);
        if (shown.isEmpty())
            continue;
        // Only the part on screen is taken out: a palette picture would be
        // turned into 32 bits whole for every paint, and a picture grown
        // in one piece can be very tall.
        const QImage part = picture->StoredPicture().copy(shown.translated(-bounds.topLeft()));
        painter.drawImage(shown.topLeft(), part);
    }
}

void PictureView::contextMenuEvent(QContextMenuEvent *event)
{
    if (PictureControl *picture = PictureAt(event->pos()))
        emit pictureMenuRequested(picture, event->globalPos());
}
