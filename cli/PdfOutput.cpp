#include "PdfOutput.h"

#include "WholeFile.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <cmath>

namespace {

constexpr int PdfResolution = 96;

QPageLayout pageFor(const QImage &picture)
{
    // Page sizes are whole points (1/72 inch); at 96 dpi a pixel is 0.75
    // point, so sizes are rounded up and the picture is never cut: a page
    // may have a strip of less than a point to the right and below.
    // ExactMatch keeps a size close to a paper format from snapping to it.
    const QSizeF size(std::ceil(picture.width() * 72.0 / PdfResolution),
                      std::ceil(picture.height() * 72.0 / PdfResolution));
    return QPageLayout(QPageSize(size, QPageSize::Point, QString(), QPageSize::ExactMatch), QPageLayout::Portrait,
                       QMarginsF());
}

// Qt's PDF writer keeps a picture's samples (3 bytes a pixel) in one block
// that must stay below 2 GiB; a larger picture crashes it.
constexpr qint64 MaxPdfPicturePixels = (qint64(1) << 31) / 3 - 1;

} // namespace

void CheckFitsPdf(std::int32_t width, std::int32_t height, const QString &fileName)
{
    if (qint64(width) * height > MaxPdfPicturePixels)
        throw CannotCreateError(fileName, QStringLiteral("A picture of %1 x %2 pixels is larger than a PDF page "
                                                         "can hold (at most %3 pixels)")
                                              .arg(width)
                                              .arg(height)
                                              .arg(MaxPdfPicturePixels));
}

void SavePdf(const std::vector<PictureControl *> &pictures, const QString &fileName)
{
    // Refused before anything is written, so an older file stays whole.
    for (const PictureControl *picture : pictures)
        CheckFitsPdf(picture->BitmapWidth(), picture->BitmapHeight(), fileName);

    WholeFileWriter file(fileName);
    {
        QPdfWriter writer(&file.Device());
        writer.setResolution(PdfResolution);
        writer.setCreator(QStringLiteral("lumo-render"));
        QPainter painter;
        bool firstPage = true;
        for (PictureControl *picture : pictures) {
            const QImage image = picture->Picture();
            // The layout applies to the page begun next, so it is set before
            // the painter starts the first page and before each newPage().
            writer.setPageLayout(pageFor(image));
            if (firstPage) {
                if (!painter.begin(&writer))
                    throw CannotCreateError(fileName, file.ErrorString());
                // JPEG would blur the glyph edges and the noise pixels.
                painter.setRenderHint(QPainter::LosslessImageRendering);
                firstPage = false;
            } else {
                writer.newPage();
            }
            painter.drawImage(QPoint(0, 0), image);
        }
        painter.end();
    }
    // Raises when any write of the PDF writer failed (a full disk).
    file.Commit();
}
