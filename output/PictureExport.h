#pragma once

#include "PictureControl.h"
#include "PictureFormat.h"
#include "WorkProgress.h"

#include <QImage>
#include <QString>

#include <functional>
#include <vector>

// Writing the pictures of a conversion to files, one file a picture, in list
// order. With several pictures the files are numbered from 11.

// The chosen path up to the first "." of its file name (the folder is kept
// whole): what the numbers and the extension are added to.
QString PictureBaseName(const QString &chosenPath);

// The file names for count pictures saved under the chosen path: the part
// before the first "." of the file name (the folder is kept whole), then
// "11", "12", … when count > 1, then the format's PictureExtension.
std::vector<QString> PictureFileNames(const QString &chosenPath, std::size_t count, PictureFormat format);

// Told the index of each picture once its file is complete.
using PictureWritten = std::function<void(std::size_t index)>;

struct SaveOptions
{
    // Told of every file written, in order.
    PictureWritten written = {};
    // Threads that encode the pictures; 0 for one a processor.
    int jobs = 0;
    // Watches the saving (progress, Cancel); see WorkWatcher. A cancelled
    // save keeps the files written until then and writes no later one.
    WorkWatcher watch = {};
};

// Writes every picture, encoded on several threads and written one after
// the other in list order; an existing file is replaced. A file that cannot
// be created raises "Datei "<full name>" kann nicht erstellt werden.
// <reason>"; the pictures before it stay written, no later one is written.
// Returns the names of all the files (written or not).
std::vector<QString> SavePictures(const std::vector<PictureControl *> &pictures, const QString &chosenPath,
                                  PictureFormat format, const SaveOptions &options = {});
