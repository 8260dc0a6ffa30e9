#include "PictureFormat.h"

#include <stdexcept>

namespace {

struct KnownExtension
{
    PictureFormat format;
    QLatin1StringView extension;
};

// A format's first extension is the one its files are written with; the
// others are only recognised.
constexpr KnownExtension KnownExtensions[] = {
    {PictureFormat::Jpeg, QLatin1StringView(".jpg")},
    {PictureFormat::Jpeg, QLatin1StringView(".jpeg")},
    {PictureFormat::Bmp, QLatin1StringView(".bmp")},
    {PictureFormat::Png, QLatin1StringView(".png")},
};

} // namespace

QString PictureExtension(PictureFormat format)
{
    for (const KnownExtension &known : KnownExtensions) {
        if (known.format == format)
            return known.extension;
    }
    throw std::invalid_argument("unknown picture format");
}

std::optional<PictureFormat> PictureFormatOfExtension(const QString &extension)
{
    const QString lower = extension.toLower();
    for (const KnownExtension &known : KnownExtensions) {
        if (lower == known.extension)
            return known.format;
    }
    return std::nullopt;
}

QStringList PictureExtensions()
{
    QStringList extensions;
    for (const KnownExtension &known : KnownExtensions)
        extensions.append(known.extension);
    return extensions;
}
