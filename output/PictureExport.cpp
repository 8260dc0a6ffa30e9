#include "PictureExport.h"

#include "OrderedWork.h"
#include "PictureEncoder.h"
#include "WholeFile.h"

#include <QDir>

#include <algorithm>

QString PictureBaseName(const QString &chosenPath)
{
    // Only the file name is cut at its first "."; a "." in a folder name
    // belongs to the folder.
    const qsizetype nameStart =
        std::max(chosenPath.lastIndexOf(QLatin1Char('/')), chosenPath.lastIndexOf(QDir::separator())) + 1;
    const qsizetype dot = chosenPath.indexOf(QLatin1Char('.'), nameStart);
    return dot < 0 ? chosenPath : chosenPath.left(dot);
}

std::vector<QString> PictureFileNames(const QString &chosenPath, std::size_t count, PictureFormat format)
{
    const QString base = PictureBaseName(chosenPath);
    const QString extension = PictureExtension(format);

    std::vector<QString> names;
    names.reserve(count);
    if (count == 1) {
        names.push_back(base + extension);
        return names;
    }
    for (std::size_t i = 0; i < count; ++i)
        names.push_back(base + QString::number(i + 11) + extension);
    return names;
}

std::vector<QString> SavePictures(const std::vector<PictureControl *> &pictures, const QString &chosenPath,
                                  PictureFormat format, const SaveOptions &options)
{
    std::vector<QString> names = PictureFileNames(chosenPath, pictures.size(), format);
    const int jobs = options.jobs > 0 ? options.jobs : DefaultJobs();
    WorkProgress progress;
    progress.total = static_cast<qsizetype>(pictures.size());
    const auto saveAll = [&] {
        std::vector<PictureEncoder> encoders(static_cast<std::size_t>(jobs));
        // Encoded and written on the workers; put in place in list order.
        RunInOrder<StagedFile>(
            pictures.size(), jobs, 2 * static_cast<std::size_t>(jobs),
            [&](std::size_t index, int worker) {
                const QImage picture = pictures[index] ? pictures[index]->StoredPicture() : QImage();
                return StagedFile(names[index],
                                  encoders[static_cast<std::size_t>(worker)].Encode(picture, format, names[index]));
            },
            [&](std::size_t index, StagedFile &&file) {
                file.PutInPlace();
                progress.done = static_cast<qsizetype>(index + 1);
                if (options.written)
                    options.written(index);
                return !progress.cancelled;
            });
    };
    if (options.watch)
        options.watch(progress, saveAll);
    else
        saveAll();
    return names;
}
