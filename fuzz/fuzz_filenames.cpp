// The file names a save command derives from the path the user chose. The
// input's first byte picks the format and how the rest is read as a path
// (UTF-8, or raw UTF-16 code units so that any QString can occur); every
// count of pictures from 0 to 25 is tried on it.

#include "FuzzSupport.h"

#include "PictureExport.h"

#include <QSet>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

QByteArray shown(const QString &text)
{
    return Escaped(text.toUtf8());
}

QString extensionOf(PictureFormat format)
{
    switch (format) {
    case PictureFormat::Jpeg:
        return QStringLiteral(".jpg");
    case PictureFormat::Bmp:
        return QStringLiteral(".bmp");
    case PictureFormat::Png:
        return QStringLiteral(".png");
    }
    return {};
}

// The folder part is everything up to the last "/"; the file's base name is
// its name up to the first ".".
struct SplitPath
{
    QString folder;
    QString base;
};

SplitPath split(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    SplitPath parts{path.left(slash + 1), path.mid(slash + 1)};
    const qsizetype dot = parts.base.indexOf(QLatin1Char('.'));
    if (dot >= 0)
        parts.base.truncate(dot);
    return parts;
}

void check(const QString &chosen, std::size_t count, PictureFormat format)
{
    const std::vector<QString> names = PictureFileNames(chosen, count, format);
    // Messages are made only for a failure: most of a run's time would go
    // into them otherwise.
    const auto context = [&] {
        return "path " + shown(chosen) + ", " + QByteArray::number(qulonglong(count)) + " pictures";
    };
    FUZZ_CHECK(names.size() == count, context());

    const SplitPath parts = split(chosen);
    const QString extension = extensionOf(format);
    QSet<QString> seen;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const QString &name = names[i];
        const auto about = [&] { return context() + ": name " + QByteArray::number(qulonglong(i)) + " " + shown(name); };
        FUZZ_CHECK(!name.isEmpty(), about());
        FUZZ_CHECK(name.endsWith(extension), about());
        // The file stays in the chosen folder: same folder part, and no
        // separator in what follows it.
        FUZZ_CHECK(name.startsWith(parts.folder), about());
        FUZZ_CHECK(!name.mid(parts.folder.size()).contains(QLatin1Char('/')), about());
        const QString number = count > 1 ? QString::number(qulonglong(i + 11)) : QString();
        FUZZ_CHECK(name == parts.folder + parts.base + number + extension, about());
        FUZZ_CHECK(!seen.contains(name), "repeated: " + about());
        seen.insert(name);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1 || size > 4096)
        return 0;
    const std::uint8_t choice = data[0];
    const auto format = static_cast<PictureFormat>(choice % 3);
    const char *rest = reinterpret_cast<const char *>(data + 1);
    const auto restSize = static_cast<qsizetype>(size - 1);
    QString chosen;
    if (choice & 0x80) {
        chosen.resize(restSize / 2);
        std::memcpy(chosen.data(), rest, static_cast<size_t>(chosen.size()) * sizeof(QChar));
    } else {
        chosen = QString::fromUtf8(rest, restSize);
    }
    for (std::size_t count = 0; count <= 25; ++count)
        check(chosen, count, format);
    return 0;
}
