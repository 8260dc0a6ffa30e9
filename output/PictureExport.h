#pragma once

#include "PictureControl.h"
#include "WorkProgress.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

// Writing the pictures of a conversion to files, one file a picture, in list
// order. With several pictures the files are numbered from 11.

enum class PictureFormat { Jpeg, Bmp, Png };

// The chosen path up to the first "." of its file name (the folder is kept
// whole): what the numbers and the extension are added to.
QString PictureBaseName(const QString &chosenPath);
// ".jpg", ".bmp" or ".png".
QString PictureExtension(PictureFormat format);

// The file names for count pictures saved under the chosen path: the part
// before the first "." of the file name (the folder is kept whole), then
// "11", "12", … when count > 1, then ".jpg", ".bmp" or ".png".
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

// The layout of the bitmap files EncodeBmp writes: a file header, an info
// header, then the pixels.
inline constexpr int BmpFileHeaderSize = 14;
inline constexpr int BmpInfoHeaderSize = 40;
inline constexpr int BmpHeadersSize = BmpFileHeaderSize + BmpInfoHeaderSize;
inline constexpr int BmpBytesPerPixel = 4;

// The bytes of a 32-bit Windows bitmap file of the image (empty for a null
// image). The picture must pass CheckFitsBmp.
QByteArray EncodeBmp(const QImage &image);

// Raises the creation error for the file when the bitmap file of a picture
// of this size would be larger than its header can say.
void CheckFitsBmp(std::int64_t width, std::int64_t height, const QString &path);
