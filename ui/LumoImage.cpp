#include "LumoImage.h"

#include "CommandGuard.h"
#include "LumoDialogs.h"
#include "PictureClipboard.h"
#include "PictureView.h"
#include "RenderSettings.h"
#include "WindowCommands.h"
#include "WindowPlacement.h"

#include <QApplication>
#include <QMenu>
#include <QScreen>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

TLumoImageForm *LumoImageForm = nullptr;

namespace {

// How far a notch of the mouse wheel scrolls the pictures.
constexpr int WheelStep = 30;

// Menu captions that also name a command's progress.
const QString SaveJpgCaption = QStringLiteral("save JPG");
const QString SaveBmpCaption = QStringLiteral("save BMP");
const QString SavePngCaption = QStringLiteral("save PNG");

} // namespace

TLumoImageForm::TLumoImageForm(LumoDialogs &dialogs, QWidget *parent) : QScrollArea(parent), m_dialogs(dialogs)
{
    QFont windowFont = QApplication::font();
    windowFont.setPointSize(8);
    setFont(windowFont);

    // The client area is the viewport itself, without a frame around it.
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_view = new PictureView;
    setWidget(m_view);
    PopMenu = new QMenu(this);

    connect(m_view, &PictureView::pictureMenuRequested, this, &TLumoImageForm::OpenPictureMenu);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, &TLumoImageForm::scrolledHorizontally);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &TLumoImageForm::scrolledVertically);
    viewport()->installEventFilter(this);
    horizontalScrollBar()->installEventFilter(this);
    verticalScrollBar()->installEventFilter(this);

    // The layout's geometry, kept when the stored one cannot be read.
    move(547, 139);
    resize(334, 440);
}

TLumoImageForm::~TLumoImageForm()
{
    FormDestroy();
}

void TLumoImageForm::FormCreate()
{
    setWindowTitle(QStringLiteral("Bildfenster"));
    ImageList.clear();
    ImageList.push_back(&m_image);
    createPopMenu();
    m_image.SetLeft(0);
    m_image.SetTop(0);
    m_image.SetPopupMenu(PopMenu);
    horizontalScrollBar()->setTracking(true);
    verticalScrollBar()->setTracking(true);
    PlaceAtStoredGeometry(this, PositionKeys::WinImageLeft, PositionKeys::WinImageTop, PositionKeys::WinImageWidth,
                          PositionKeys::WinImageHeight);
    updateScrollBars();
}

void TLumoImageForm::FormDestroy()
{
    // The pages go with the window; the list must not keep pointers to them.
    if (!ImageList.empty() && ImageList.front() == &m_image)
        ImageList.clear();
}

void TLumoImageForm::createPopMenu()
{
    AddMenuCommands(PopMenu, this,
                    {
                        {ConvertFileCaption(), &TLumoImageForm::ConvertFileClick},
                        {QStringLiteral("copy picture"), &TLumoImageForm::CopyPicture},
                        {SaveJpgCaption, &TLumoImageForm::SaveJPGClick},
                        {SaveBmpCaption, &TLumoImageForm::SaveBMPClick},
                        {SavePngCaption, &TLumoImageForm::SavePNGClick},
                        {QStringLiteral("close"), &TLumoImageForm::CloseClick},
                    });
}

void TLumoImageForm::FormActivate()
{
    RunCommand(m_dialogs, this, [this] {
        SetClientSize(m_image.Width(), m_image.Height());
        for (PictureControl *picture : ImageList)
            picture->SetPopupMenu(PopMenu);
    });
}

QSize TLumoImageForm::ClientSize() const
{
    // The scroll bars are never left to Qt's own choice (see
    // updateScrollBars), so this is the viewport's size, also while the
    // window is hidden and has not laid out its viewport yet.
    return maximumViewportSize();
}

void TLumoImageForm::SetClientSize(int width, int height)
{
    ForgetStoredSize(this);
    m_view->resize(contentSize());
    const QSize content = m_view->size();
    const int barWidth = content.height() > height ? verticalScrollBar()->sizeHint().width() : 0;
    const int barHeight = content.width() > width ? horizontalScrollBar()->sizeHint().height() : 0;
    const QMargins frame = contentsMargins();
    // A window without size would vanish from the screen (the first
    // picture has none before the first conversion).
    QSize wanted(std::max(1, width + barWidth + frame.left() + frame.right()),
                 std::max(1, height + barHeight + frame.top() + frame.bottom()));
    // No larger than the screen, frame included, as windows are: a tall
    // one-picture result is reached by scrolling.
    if (const QScreen *display = screen()) {
        const QSize frameExtra = frameGeometry().size() - size();
        wanted = wanted.boundedTo(display->availableGeometry().size() - frameExtra);
    }
    resize(wanted);
    updateScrollBars();
}

void TLumoImageForm::updateScrollBars()
{
    // Qt decides on scroll bars "as needed" in a queued pass, but a command
    // sets the client size and converts into it at once. So the bars are
    // switched on and off here, synchronously, from the window's size and the
    // pictures' extent, the way a scrolled window shows them when needed.
    const QSize content = m_view->size();
    const QSize whole = contentsRect().size();
    const int barWidth = verticalScrollBar()->sizeHint().width();
    const int barHeight = horizontalScrollBar()->sizeHint().height();
    bool vertical = content.height() > whole.height();
    bool horizontal = content.width() > whole.width();
    if (vertical && !horizontal)
        horizontal = content.width() > whole.width() - barWidth;
    if (horizontal && !vertical)
        vertical = content.height() > whole.height() - barHeight;
    setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

QSize TLumoImageForm::contentSize() const
{
    int right = 0;
    int bottom = 0;
    for (const PictureControl *picture : ImageList) {
        right = std::max(right, picture->Left() + picture->Width() + m_scrollX);
        bottom = std::max(bottom, picture->Top() + picture->Height() + m_scrollY);
    }
    return QSize(right, bottom);
}

void TLumoImageForm::PicturesChanged()
{
    m_view->resize(contentSize());
    updateScrollBars();
    m_view->update();
}

void TLumoImageForm::ShowForm()
{
    PicturesChanged();
    show();
    raise();
    activateWindow();
}

void TLumoImageForm::resizeEvent(QResizeEvent *event)
{
    QScrollArea::resizeEvent(event);
    updateScrollBars();
}

void TLumoImageForm::scrolledHorizontally(int value)
{
    const int delta = value - m_scrollX;
    m_scrollX = value;
    for (PictureControl *picture : ImageList)
        picture->SetLeft(picture->Left() - delta);
}

void TLumoImageForm::scrolledVertically(int value)
{
    const int delta = value - m_scrollY;
    m_scrollY = value;
    for (PictureControl *picture : ImageList)
        picture->SetTop(picture->Top() - delta);
}

PictureControl *TLumoImageForm::CreatePicture()
{
    m_pages.push_back(std::make_unique<PictureControl>());
    return m_pages.back().get();
}

void TLumoImageForm::DestroyPicture(PictureControl *picture)
{
    if (m_menuPicture == picture)
        m_menuPicture = nullptr;
    std::erase_if(m_pages, [picture](const auto &page) { return page.get() == picture; });
}

PictureControl *TLumoImageForm::PictureAt(const QPoint &clientPos) const
{
    return m_view->PictureAt(m_view->mapFrom(viewport(), clientPos));
}

void TLumoImageForm::OpenPictureMenu(PictureControl *picture, const QPoint &globalPos)
{
    auto *menu = qobject_cast<QMenu *>(picture ? picture->PopupMenu() : nullptr);
    if (!menu)
        return;
    m_menuPicture = picture;
    menu->popup(globalPos);
}

void TLumoImageForm::ConvertFileClick()
{
    RunCommand(m_dialogs, this, [this] {
        ConvertFromFile(m_dialogs, overThisWindow(), QString(), *this, [this] { return ClientSize(); });
    });
}

void TLumoImageForm::CopyPicture()
{
    RunCommand(m_dialogs, this, [this] { ::CopyPicture(m_menuPicture); });
}

void TLumoImageForm::SaveJPGClick()
{
    savePictures(PictureFormat::Jpeg, SaveJpgCaption);
}

void TLumoImageForm::SaveBMPClick()
{
    savePictures(PictureFormat::Bmp, SaveBmpCaption);
}

void TLumoImageForm::SavePNGClick()
{
    savePictures(PictureFormat::Png, SavePngCaption);
}

void TLumoImageForm::savePictures(PictureFormat format, const QString &caption)
{
    RunCommand(m_dialogs, this, [this, format, caption] {
        if (const auto path = m_dialogs.SaveFileName(this))
            SavePictures(ImageList, *path, format, {.watch = ProgressWatcher(m_dialogs, overThisWindow(), caption)});
    });
}

CommandWindow TLumoImageForm::overThisWindow()
{
    return [this] { return this; };
}

void TLumoImageForm::CloseClick()
{
    hide();
}

bool TLumoImageForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Wheel
        && (watched == viewport() || watched == horizontalScrollBar() || watched == verticalScrollBar())) {
        wheelTurned(static_cast<QWheelEvent *>(event));
        // The window's 30-pixel steps stand in for the scroll area's own
        // wheel scrolling; letting that run too would scroll twice a notch.
        return true;
    }
    return QScrollArea::eventFilter(watched, event);
}

void TLumoImageForm::wheelTurned(QWheelEvent *event)
{
    m_wheel.Turn(event->angleDelta().y(), [this] { FormMouseWheelDown(); }, [this] { FormMouseWheelUp(); });
}

void TLumoImageForm::FormMouseWheelDown()
{
    QScrollBar *bar = verticalScrollBar();
    bar->setValue(bar->value() + WheelStep);
}

void TLumoImageForm::FormMouseWheelUp()
{
    QScrollBar *bar = verticalScrollBar();
    bar->setValue(bar->value() - WheelStep);
}
