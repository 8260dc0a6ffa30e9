#pragma once

#include "WholeFile.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstdint>
#include <vector>

// The extension of a PDF document's file.
inline constexpr QLatin1StringView PdfExtension(".pdf");

// A picture as a PDF image: the compressed rows of its PNG file, which a
// PDF reader takes as they are (Flate with the PNG predictor), so that the
// page shows exactly the pixels of the PNG of the same picture. Made on any
// thread.
struct PdfImage
{
    int width = 0;
    int height = 0;
    // The colour space as PDF writes it, and what each pixel has.
    QByteArray colourSpace;
    int colours = 1;
    int bitsPerComponent = 8;
    QByteArray rows; // a zlib stream of PNG-filtered rows
};
PdfImage PdfImageOf(const QImage &picture);

// One PDF document written page by page, each picture on a page of its own
// size at 96 dpi, so a pixel of the picture is a pixel of the page. Pages go
// out as they come; an existing file is replaced only when Finish() wrote the
// whole document. Failures raise "Datei "<full name>" kann nicht erstellt
// werden. <reason>".
class PdfDocument
{
public:
    explicit PdfDocument(const QString &fileName);

    void AddPage(const PdfImage &image);
    void AddPage(const QImage &picture) { AddPage(PdfImageOf(picture)); }
    void Finish();

private:
    void write(const QByteArray &bytes);
    // Starts object number `object` at the current offset.
    void begin(int object);

    QString m_fileName;
    WholeFileWriter m_file;
    std::int64_t m_written = 0;
    // Each object's offset in the file, by its number less one.
    std::vector<std::int64_t> m_offsets;
    std::vector<int> m_pages;
};

// Raises the creation error for the file when a picture of this size is
// larger than a PDF page can hold.
void CheckFitsPdf(std::int32_t width, std::int32_t height, const QString &fileName);
