#pragma once

#include "WheelNotches.h"
#include "Activation.h"
#include "LumoWindows.h"
#include "PictureControl.h"
#include "PictureExport.h"
#include "WindowCommands.h"

#include <QScrollArea>
#include <QSize>
#include <memory>
#include <vector>

class LumoDialogs;
class PictureView;
class QMenu;
class QWheelEvent;

// The picture window: shows the pictures of the last conversion one below
// the other in a scrollable area, and saves or copies them from the context
// menu every picture carries. It owns ImageList: its first picture Image is
// element 0 for the whole run, and it creates and destroys the continuation
// pictures of the conversions.
//
// Picture positions are relative to the visible client area, as child
// controls of a scrolled window are: scrolling moves every picture by the
// scrolled distance, so while the window is scrolled down by s pixels the
// first picture's Top is -s.
class TLumoImageForm : public QScrollArea, public ActivatableWindow, public PictureOwner, public ConversionTarget
{
public:
    explicit TLumoImageForm(LumoDialogs &dialogs, QWidget *parent = nullptr);
    ~TLumoImageForm() override;

    // Title, ImageList with Image, menu, scroll bars, stored geometry.
    // Raises when the settings file cannot be read.
    void FormCreate();

    PictureControl &Image() { return m_image; }

    // The size of the area that shows the pictures, without scroll bars.
    QSize ClientSize() const;
    // Resizes the window so that its client area gets this size.
    void SetClientSize(int width, int height);
    void SetClientHeight(int height) { SetClientSize(ClientSize().width(), height); }

    // To be called after the pictures were changed from outside the window:
    // brings the scroll range up to date and repaints.
    void PicturesChanged() override;
    // Shows the window and makes it the active one (so it runs its
    // activation when another window of the program had the focus).
    void ShowForm();

    // Where its own "convert from file" draws: Image and the pages after it,
    // shown with ShowForm.
    PictureControl &FirstPicture() override { return m_image; }
    PictureOwner &Pictures() override { return *this; }
    void ShowPictures() override { ShowForm(); }

    // Fits the client area to the first picture and gives every picture the
    // context menu.
    void FormActivate() override;

    // The commands of PopMenu; each shows its own errors.
    void ConvertFileClick();
    void CopyPicture();
    void SaveJPGClick();
    void SaveBMPClick();
    void SavePNGClick();
    void CloseClick();

    // Move the vertical scroll position by 30 pixels.
    void FormMouseWheelDown();
    void FormMouseWheelUp();

    // The picture the context menu was last opened on (null when none, or
    // when that picture has been destroyed since).
    PictureControl *MenuPicture() const { return m_menuPicture; }
    // The topmost picture at a point of the client area, or null.
    PictureControl *PictureAt(const QPoint &clientPos) const;
    // Opens the picture's own context menu, as a right-click on it does.
    void OpenPictureMenu(PictureControl *picture, const QPoint &globalPos);

    QMenu *PopMenu = nullptr;

    PictureControl *CreatePicture() override;
    void DestroyPicture(PictureControl *picture) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void FormDestroy();
    void createPopMenu();
    // The picture window's dialogs belong to itself, whichever window is active.
    CommandWindow overThisWindow();

    void savePictures(PictureFormat format, const QString &caption);
    void scrolledHorizontally(int value);
    void scrolledVertically(int value);
    QSize contentSize() const;
    void updateScrollBars();
    void wheelTurned(QWheelEvent *event);

    LumoDialogs &m_dialogs;
    PictureControl m_image;
    std::vector<std::unique_ptr<PictureControl>> m_pages;
    PictureView *m_view = nullptr;
    PictureControl *m_menuPicture = nullptr;
    // The scroll positions the picture positions were last moved for.
    int m_scrollX = 0;
    int m_scrollY = 0;
    // Wheel movement below one notch, kept for the next event.
    WheelNotches m_wheel;
};

// The picture window (null until it is created).
extern TLumoImageForm *LumoImageForm;
