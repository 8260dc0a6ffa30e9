#include "PdfOutput.h"

#include "PngEncoder.h"
#include "WholeFile.h"

#include <QtEndian>
#include <cmath>
#include <stdexcept>

namespace {

// A page's picture goes through memory as a PNG file first; the limit keeps
// that within what a QByteArray holds.
constexpr qint64 MaxPdfPicturePixels = (qint64(1) << 31) / 3 - 1;

// Objects 1 and 2 are the catalogue and the page tree; each page has three
// more: the page, its contents and its image.
constexpr int CatalogObject = 1;
constexpr int PagesObject = 2;

QByteArray number(double value)
{
    return QByteArray::number(value, 'f', 2);
}

// The bytes of the chunks of a PNG file, by type, IDAT's joined.
struct PngChunks
{
    QByteArray header;
    QByteArray palette;
    QByteArray data;
};

PngChunks chunksOf(const QByteArray &png)
{
    PngChunks chunks;
    qsizetype at = 8; // the signature
    while (at + 12 <= png.size()) {
        const quint32 length = qFromBigEndian<quint32>(png.constData() + at);
        const QByteArray type = png.mid(at + 4, 4);
        if (qsizetype(length) > png.size() - at - 12)
            throw std::runtime_error("PNG chunk runs past the end");
        const QByteArray body = png.mid(at + 8, length);
        if (type == "IHDR")
            chunks.header = body;
        else if (type == "PLTE")
            chunks.palette = body;
        else if (type == "IDAT")
            chunks.data += body;
        at += 12 + qsizetype(length);
    }
    if (chunks.header.size() != 13)
        throw std::runtime_error("PNG without a header");
    return chunks;
}

} // namespace

PdfImage PdfImageOf(const QImage &picture)
{
    if (picture.isNull() || picture.width() <= 0 || picture.height() <= 0)
        return {};
    const PngChunks png = chunksOf(EncodePng(picture, PngDepth::WholeBytes));
    PdfImage image;
    image.width = static_cast<int>(qFromBigEndian<quint32>(png.header.constData()));
    image.height = static_cast<int>(qFromBigEndian<quint32>(png.header.constData() + 4));
    image.bitsPerComponent = static_cast<unsigned char>(png.header[8]);
    const int colourType = static_cast<unsigned char>(png.header[9]);
    if (colourType == 0) {
        image.colourSpace = "/DeviceGray";
    } else if (colourType == 2) {
        image.colourSpace = "/DeviceRGB";
        image.colours = 3;
    } else {
        image.colourSpace = "[/Indexed /DeviceRGB " + QByteArray::number(png.palette.size() / 3 - 1) + " <"
                            + png.palette.toHex() + ">]";
    }
    image.rows = png.data;
    return image;
}

void CheckFitsPdf(std::int32_t width, std::int32_t height, const QString &fileName)
{
    if (qint64(width) * height > MaxPdfPicturePixels)
        throw CannotCreateError(fileName, QStringLiteral("A picture of %1 x %2 pixels is larger than a PDF page "
                                                         "can hold (at most %3 pixels)")
                                              .arg(width)
                                              .arg(height)
                                              .arg(MaxPdfPicturePixels));
}

PdfDocument::PdfDocument(const QString &fileName) : m_fileName(fileName), m_file(fileName), m_offsets(2, 0)
{
    // The comment's high bytes tell readers the file is binary.
    write("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
}

void PdfDocument::write(const QByteArray &bytes)
{
    m_file.Write(bytes);
    m_written += bytes.size();
}

void PdfDocument::begin(int object)
{
    if (static_cast<std::size_t>(object) > m_offsets.size())
        m_offsets.resize(static_cast<std::size_t>(object), 0);
    m_offsets[static_cast<std::size_t>(object - 1)] = m_written;
    write(QByteArray::number(object) + " 0 obj\n");
}

void PdfDocument::AddPage(const PdfImage &image)
{
    CheckFitsPdf(image.width, image.height, m_fileName);
    const int page = static_cast<int>(m_offsets.size()) + 1;
    const int contents = page + 1;
    const int picture = page + 2;
    // At 96 dpi a pixel is 0.75 point. The page is whole points, rounded
    // up so the picture is never cut; it sits at the page's top left.
    const double width = image.width * 0.75;
    const double height = image.height * 0.75;
    const double pageWidth = std::ceil(width);
    const double pageHeight = std::ceil(height);

    // A picture of no pixels is an empty page.
    const bool drawn = image.width > 0 && image.height > 0;
    begin(page);
    write("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + number(pageWidth) + " " + number(pageHeight)
          + "] /Resources << "
          + (drawn ? "/XObject << /Im0 " + QByteArray::number(picture) + " 0 R >> " : QByteArray()) + ">> /Contents "
          + QByteArray::number(contents) + " 0 R >>\nendobj\n");

    const QByteArray drawing = drawn ? "q " + number(width) + " 0 0 " + number(height) + " 0 "
                                           + number(pageHeight - height) + " cm /Im0 Do Q\n"
                                     : QByteArray();
    begin(contents);
    write("<< /Length " + QByteArray::number(drawing.size()) + " >>\nstream\n" + drawing + "endstream\nendobj\n");

    begin(picture);
    if (!drawn) {
        write("null\nendobj\n");
        m_pages.push_back(page);
        return;
    }
    write("<< /Type /XObject /Subtype /Image /Width " + QByteArray::number(image.width) + " /Height "
          + QByteArray::number(image.height) + " /ColorSpace " + image.colourSpace + " /BitsPerComponent "
          + QByteArray::number(image.bitsPerComponent) + " /Filter /FlateDecode /DecodeParms << /Predictor 15 /Colors "
          + QByteArray::number(image.colours) + " /BitsPerComponent " + QByteArray::number(image.bitsPerComponent)
          + " /Columns " + QByteArray::number(image.width) + " >> /Length " + QByteArray::number(image.rows.size())
          + " >>\nstream\n");
    write(image.rows);
    write("\nendstream\nendobj\n");
    m_pages.push_back(page);
}

void PdfDocument::Finish()
{
    QByteArray kids;
    for (const int page : m_pages)
        kids += QByteArray::number(page) + " 0 R ";
    begin(PagesObject);
    write("<< /Type /Pages /Kids [" + kids.trimmed() + "] /Count " + QByteArray::number(qsizetype(m_pages.size()))
          + " >>\nendobj\n");
    begin(CatalogObject);
    write("<< /Type /Catalog /Pages 2 0 R >>\nendobj\n");
    // Each entry of the cross-reference table is exactly 20 bytes.
    const std::int64_t table = m_written;
    QByteArray xref = "xref\n0 " + QByteArray::number(qsizetype(m_offsets.size()) + 1) + "\n0000000000 65535 f \n";
    for (const std::int64_t offset : m_offsets)
        xref += QByteArray::number(qlonglong(offset)).rightJustified(10, '0') + " 00000 n \n";
    write(xref);
    write("trailer\n<< /Size " + QByteArray::number(qsizetype(m_offsets.size()) + 1)
          + " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(qlonglong(table)) + "\n%%EOF\n");
    m_file.Commit();
}
