#include "PictureClipboard.h"

#include "LumoError.h"
#include "PictureControl.h"

#include <QClipboard>
#include <QGuiApplication>

void CopyPicture(const PictureControl *picture)
{
    if (!picture)
        return;
    // The clipboard belongs to the GUI application object; a plain
    // QCoreApplication has none, and asking it for one would not fail safely.
    auto *application = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    QClipboard *clipboard = application ? QGuiApplication::clipboard() : nullptr;
    if (!clipboard)
        throw LumoError(QStringLiteral("Zwischenablage kann nicht ge\u00f6ffnet werden"));

    const QImage view = picture->Picture();
    if (view.isNull()) {
        // A picture of 0 x 0 pixels leaves the clipboard empty.
        clipboard->clear();
        return;
    }
    // Picture() lies on the bitmap's own memory; the clipboard must keep its
    // own pixels when the page is redrawn or discarded.
    clipboard->setImage(view.copy());
}
