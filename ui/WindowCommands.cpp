#include "WindowCommands.h"

#include "ConvertText.h"
#include "LumoDialogs.h"
#include "LumoWindows.h"
#include "PictureControl.h"
#include "TextFile.h"

#include <utility>

WorkWatcher ProgressWatcher(LumoDialogs &dialogs, CommandWindow window, const QString &what)
{
    return [&dialogs, window = std::move(window), what](WorkProgress &progress, const std::function<void()> &work) {
        dialogs.RunWithProgress(window(), what, progress, work);
    };
}

void ClearFirstPicture(PictureControl &picture, QSize size)
{
    picture.ClearPicture();
    picture.SetWidth(size.width());
    picture.SetHeight(size.height());
}

QString ConvertFileCaption()
{
    return QStringLiteral("convert from file");
}

void ConvertFromFile(LumoDialogs &dialogs, const CommandWindow &window, const QString &title,
                     ConversionTarget &target, const std::function<QSize()> &firstPictureSize)
{
    const auto path = dialogs.OpenFileName(window(), title);
    if (!path)
        return;
    ClearFirstPicture(target.FirstPicture(), firstPictureSize());
    target.PicturesChanged();
    ConvertText(ReadTextFileLines(*path), target.FirstPicture(), target.Pictures(), false,
                {.watch = ProgressWatcher(dialogs, window, ConvertFileCaption())});
    target.ShowPictures();
}
