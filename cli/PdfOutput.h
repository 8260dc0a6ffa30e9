#pragma once

#include "PictureControl.h"

#include <QString>
#include <cstdint>
#include <vector>

// Writes the pictures into one PDF document, in list order, each on a page of
// its own size at 96 dpi, so a pixel of the picture is a pixel of the page.
// An existing file is replaced only when the whole document was written; a
// file that cannot be created raises
// "Datei "<full name>" kann nicht erstellt werden. <reason>".
void SavePdf(const std::vector<PictureControl *> &pictures, const QString &fileName);

// Raises the creation error for the file when a picture of this size is
// larger than a PDF page of Qt's writer can hold.
void CheckFitsPdf(std::int32_t width, std::int32_t height, const QString &fileName);
