#include "PdfOutput.h"

#include "LumoError.h"
#include "TextFile.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
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

[[noreturn]] void cannotCreate(const QString &fileName, const QString &reason)
{
    throw LumoError(LumoMessages::CannotCreate(FullPath(fileName), reason));
}

} // namespace

void SavePdf(const std::vector<PictureControl *> &pictures, const QString &fileName)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        cannotCreate(fileName, file.errorString());
    {
        QPdfWriter writer(&file);
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
                    cannotCreate(fileName, file.errorString());
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
    if (!file.commit())
        cannotCreate(fileName, file.errorString());
}
