#pragma once

#include "PictureControl.h"

#include <QImage>
#include <QString>
#include <functional>
#include <vector>

// Writing the pictures of a conversion to files, one file a picture, in list
// order. With several pictures the files are numbered from 11.

enum class PictureFormat { Jpeg, Bmp, Png };

// The file names for count pictures saved under the chosen path: the part
// before the first "." of the file name (the folder is kept whole), then
// "11", "12", … when count > 1, then ".jpg", ".bmp" or ".png".
std::vector<QString> PictureFileNames(const QString &chosenPath, std::size_t count, PictureFormat format);

// Told the index of each picture once its file is complete.
using PictureWritten = std::function<void(std::size_t index)>;

// Writes every picture; an existing file is replaced. A file that cannot be
// created raises "Datei "<full name>" kann nicht erstellt werden. <reason>";
// the pictures before it stay written, the rest are not written. Returns the
// names written.
std::vector<QString> SavePictures(const std::vector<PictureControl *> &pictures, const QString &chosenPath,
                                  PictureFormat format, const PictureWritten &written = {});

// One picture each (the bitmap as it is; a picture without a bitmap is 0 x 0).
void SaveJpeg(const std::vector<PictureControl *> &pictures, const std::vector<QString> &fileNames,
              const PictureWritten &written = {});
void SaveBmp(const std::vector<PictureControl *> &pictures, const std::vector<QString> &fileNames,
              const PictureWritten &written = {});
void SavePng(const std::vector<PictureControl *> &pictures, const std::vector<QString> &fileNames,
              const PictureWritten &written = {});

// The bytes of a 32-bit Windows bitmap file of the image (empty for a null image).
QByteArray EncodeBmp(const QImage &image);
