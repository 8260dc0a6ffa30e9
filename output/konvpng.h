#pragma once

#include <QString>

// Reads the BMP file, writes it as a PNG file, then deletes the BMP file.
// A failure raises the program's error and leaves the BMP file in place.
void BmpToPng(const QString &bmpName, const QString &pngName);
