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

PdfDocument::PdfDocument(const QString &fileName)
    : m_fileName(fileName), m_file(fileName), m_writer(std::make_unique<QPdfWriter>(&m_file.Device()))
{
    m_writer->setResolution(PdfResolution);
    m_writer->setCreator(QStringLiteral("lumo-render"));
}

PdfDocument::~PdfDocument()
{
    if (m_painter.isActive())
        m_painter.end();
}

void PdfDocument::AddPage(const QImage &picture)
{
    CheckFitsPdf(picture.width(), picture.height(), m_fileName);
    // The layout applies to the page begun next, so it is set before the
    // painter starts the first page and before each newPage().
    m_writer->setPageLayout(pageFor(picture));
    if (!m_started) {
        if (!m_painter.begin(m_writer.get()))
            throw CannotCreateError(m_fileName, m_file.ErrorString());
        // JPEG would blur the glyph edges and the noise pixels.
        m_painter.setRenderHint(QPainter::LosslessImageRendering);
        m_started = true;
    } else {
        m_writer->newPage();
    }
    m_painter.drawImage(QPoint(0, 0), picture);
}

void PdfDocument::Finish()
{
    if (m_painter.isActive())
        m_painter.end();
    // Raises when any write of the PDF writer failed (a full disk).
    m_file.Commit();
}
