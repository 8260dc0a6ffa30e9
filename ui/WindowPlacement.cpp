#include "WindowPlacement.h"

#include <QEvent>
#include <QLayout>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace {

// Gives the window its outer size once the frame is known. The frame's
// extents arrive from the window manager after the window is mapped, with
// no event of their own, so they are looked for at every move, resize and
// show of the window and, for a short while after it is shown, now and then.
class OuterSize : public QObject
{
public:
    static constexpr const char *Name = "pending outer size";

    OuterSize(QWidget *window, QSize outer) : QObject(window), m_window(window), m_outer(outer)
    {
        setObjectName(Name);
        window->installEventFilter(this);
        connect(&m_poll, &QTimer::timeout, this, &OuterSize::check);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::Show:
            m_polls = 0;
            m_poll.start(20);
            check();
            break;
        case QEvent::Resize:
            // Sized by someone else (the user, the program) before the frame
            // was known: that size stands.
            if (m_window && m_window->size() != m_outer) {
                stop();
                return false;
            }
            check();
            break;
        case QEvent::Move:
            check();
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void check()
    {
        if (!m_window || !m_window->isVisible())
            return;
        const QSize frame = m_window->frameGeometry().size() - m_window->geometry().size();
        if (frame != QSize(0, 0)) {
            stop();
            m_window->resize(m_outer - frame);
            return;
        }
        // No frame after a second: there is no window manager to draw one.
        if (++m_polls > 50)
            m_poll.stop();
    }

    void stop()
    {
        m_poll.stop();
        if (m_window)
            m_window->removeEventFilter(this);
        deleteLater();
    }

    QPointer<QWidget> m_window;
    QSize m_outer;
    QTimer m_poll;
    int m_polls = 0;
};

} // namespace

void PlaceWindow(QWidget *window, const QRect &outer)
{
    // A top-level window's position is its frame's.
    window->move(outer.topLeft());
    window->resize(outer.size());
    ForgetStoredSize(window);
    new OuterSize(window, outer.size());
}

void ForgetStoredSize(QWidget *window)
{
    for (QObject *child : window->findChildren<QObject *>(QLatin1String(OuterSize::Name), Qt::FindDirectChildrenOnly))
        delete dynamic_cast<OuterSize *>(child);
}

QRect StoredPlace(const QWidget *window)
{
    return window->frameGeometry();
}

void PlaceAtStoredGeometry(QWidget *window, const PositionKey &leftKey, const PositionKey &topKey,
                           const PositionKey &widthKey, const PositionKey &heightKey)
{
    const int left = ReadPosition(leftKey);
    const int top = ReadPosition(topKey);
    const int width = ReadPosition(widthKey);
    const int height = ReadPosition(heightKey);
    PlaceWindow(window, QRect(left, top, width, height));
}

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
