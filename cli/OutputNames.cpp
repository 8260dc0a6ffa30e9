#include "OutputNames.h"

#include "PictureExport.h"

OutputNames NamesFor(const RenderOptions &options, std::size_t count, std::optional<std::uint32_t> variantSeed)
{
    const bool written = options.outputKind != OutputKind::None;
    QString base = PictureBaseName(written ? options.output : QStringLiteral("page"));
    QString separator;
    if (variantSeed) {
        base += QStringLiteral("-s") + QString::number(*variantSeed);
        separator = QStringLiteral("-");
    }

    OutputNames names;
    if (options.outputKind == OutputKind::Pdf)
        names.document = variantSeed ? base + QStringLiteral(".pdf") : options.output;
    QString extension;
    switch (options.outputKind) {
    case OutputKind::Jpeg: extension = PictureExtension(PictureFormat::Jpeg); break;
    case OutputKind::Bmp: extension = PictureExtension(PictureFormat::Bmp); break;
    case OutputKind::Png: extension = PictureExtension(PictureFormat::Png); break;
    default: break;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const QString stem = count == 1 ? base : base + separator + QString::number(i + 11);
        names.stems.push_back(stem);
        if (!written)
            names.pictures.push_back(QStringLiteral("-"));
        else if (options.outputKind == OutputKind::Pdf)
            names.pictures.push_back(names.document);
        else
            names.pictures.push_back(stem + extension);
    }
    return names;
}
