#include "OutputNames.h"

#include "PdfOutput.h"
#include "PictureExport.h"

#include <QFileInfo>

OutputNames::OutputNames(const RenderOptions &options, std::size_t count, std::optional<std::uint32_t> variantSeed)
    : m_options(options), m_shards(options.outputKind == OutputKind::Shards),
      m_written(options.outputKind != OutputKind::None), m_count(count)
{
    m_base = PictureBaseName(m_written ? options.output : QStringLiteral("page"));
    if (variantSeed) {
        m_base += QStringLiteral("-s") + QString::number(*variantSeed);
        m_separator = QStringLiteral("-");
    }
    if (options.outputKind == OutputKind::Pdf)
        m_document = variantSeed ? m_base + PdfExtension : options.output;
    if (options.pictureFormat)
        m_extension = PictureExtension(*options.pictureFormat);
    // A sample's key is the stem without its folder.
    if (m_shards)
        m_base = QFileInfo(m_base).fileName();
}

QString OutputNames::Stem(std::size_t page) const
{
    return m_count == 1 ? m_base : m_base + m_separator + QString::number(page + 11);
}

QString OutputNames::Picture(std::size_t page) const
{
    if (!m_written)
        return QStringLiteral("-");
    if (m_options.outputKind == OutputKind::Pdf)
        return m_document;
    return Stem(page) + m_extension;
}

QString OutputNames::BoxFile(std::size_t page) const
{
    return Stem(page) + QStringLiteral(".box");
}

QString OutputNames::Outlined(std::size_t page) const
{
    // A sample's other pictures keep its key.
    return Stem(page) + (m_shards ? QStringLiteral(".overlay") : QStringLiteral("-overlay")) + m_extension;
}

QString OutputNames::lineStem(std::size_t page, std::size_t line) const
{
    const QString folder = m_shards ? QString() : m_options.linesFolder.value_or(QString()) + u'/';
    return folder + QFileInfo(Stem(page)).fileName() + QStringLiteral("-%1").arg(line, 4, 10, QLatin1Char('0'));
}

QString OutputNames::SampleTruth(std::size_t page) const
{
    return Stem(page) + QStringLiteral(".json");
}

QString OutputNames::LineImage(std::size_t page, std::size_t line) const
{
    return lineStem(page, line) + QStringLiteral(".png");
}

QString OutputNames::LineText(std::size_t page, std::size_t line) const
{
    return lineStem(page, line) + QStringLiteral(".gt.txt");
}

QString OutputNames::OutlinedDocument() const
{
    return PictureBaseName(m_document) + QStringLiteral("-overlay") + PdfExtension;
}

QString OutputNames::DocumentBoxes() const
{
    return PictureBaseName(m_document) + QStringLiteral(".box");
}

QString ShardPrefix(const RenderOptions &options, std::optional<std::uint32_t> firstVariantSeed)
{
    const QString base = PictureBaseName(options.output);
    return firstVariantSeed ? base + QStringLiteral("-s") + QString::number(*firstVariantSeed) : base;
}

void ForEachOutput(const OutputNames &names, const RenderOptions &options,
                   const std::function<std::size_t(std::size_t page)> &linesOfPage,
                   const std::function<void(OutputRole role, const QString &name)> &visit)
{
    if (options.outputKind == OutputKind::Shards)
        return;
    const bool pdf = options.outputKind == OutputKind::Pdf;
    if (pdf) {
        visit(OutputRole::Document, names.Document());
        if (options.overlay)
            visit(OutputRole::OutlinedDocument, names.OutlinedDocument());
        if (options.boxes)
            visit(OutputRole::DocumentBoxes, names.DocumentBoxes());
    }
    for (std::size_t page = 0; page < names.Count(); ++page) {
        if (!pdf && options.outputKind != OutputKind::None) {
            visit(OutputRole::Picture, names.Picture(page));
            if (options.boxes)
                visit(OutputRole::BoxFile, names.BoxFile(page));
            if (options.overlay)
                visit(OutputRole::Outlined, names.Outlined(page));
        }
        if (options.linesFolder) {
            const std::size_t lines = linesOfPage(page);
            for (std::size_t line = 0; line < lines; ++line) {
                visit(OutputRole::LineImage, names.LineImage(page, line));
                visit(OutputRole::LineText, names.LineText(page, line));
            }
        }
    }
}
