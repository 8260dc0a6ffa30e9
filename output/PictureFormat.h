#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The formats pictures are saved in, and the extensions their files are
// known by: the one table that the windows' file names and lumo-render's
// OUTPUT both read.

enum class PictureFormat { Jpeg, Bmp, Png };

// The extension the format's files are written with: ".jpg", ".bmp" or
// ".png".
QString PictureExtension(PictureFormat format);

// The format whose files carry the extension (with its ".", any case; both
// ".jpg" and ".jpeg" are JPEG), or none.
std::optional<PictureFormat> PictureFormatOfExtension(const QString &extension);

// Every extension a picture file is known by, in the order they are named
// to the user: ".jpg", ".jpeg", ".bmp", ".png".
QStringList PictureExtensions();
