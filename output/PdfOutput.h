#pragma once

#include "WholeFile.h"

#include <QImage>
#include <QPainter>
#include <QString>
#include <cstdint>
#include <memory>

class QPdfWriter;

// The extension of a PDF document's file.
inline constexpr QLatin1StringView PdfExtension(".pdf");

// One PDF document written page by page, each picture on a page of its own
// size at 96 dpi, so a pixel of the picture is a pixel of the page. Pages go
// out as they come; an existing file is replaced only when Finish() wrote the
// whole document. Failures raise "Datei "<full name>" kann nicht erstellt
// werden. <reason>".
class PdfDocument
{
public:
    explicit PdfDocument(const QString &fileName);
    ~PdfDocument();
    PdfDocument(const PdfDocument &) = delete;
    PdfDocument &operator=(const PdfDocument &) = delete;

    void AddPage(const QImage &picture);
    void Finish();

private:
    QString m_fileName;
    WholeFileWriter m_file;
    std::unique_ptr<QPdfWriter> m_writer;
    QPainter m_painter;
    bool m_started = false;
};

// Raises the creation error for the file when a picture of this size is
// larger than a PDF page of Qt's writer can hold.
void CheckFitsPdf(std::int32_t width, std::int32_t height, const QString &fileName);
