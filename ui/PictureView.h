#pragma once

#include <QWidget>

class PictureControl;

// The scrolled content of the picture window: one widget as large as all
// pictures together, painting only the pictures of ImageList that lie in
// the exposed area, so hundreds of pages cost no more than the visible ones.
// The pictures' positions are relative to the scroll area's viewport, that
// is to this widget's own position in it.
class PictureView : public QWidget
{
    Q_OBJECT

public:
    explicit PictureView(QWidget *parent = nullptr);

    // The topmost picture whose bounds hold the point (in this widget's
    // coordinates), or null.
    PictureControl *PictureAt(const QPoint &pos) const;
    // The picture's bounds in this widget's coordinates.
    QRect PictureRect(const PictureControl &picture) const;

signals:
    void pictureMenuRequested(PictureControl *picture, const QPoint &globalPos);

protected:
    void paintEvent(QPaintEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
};
