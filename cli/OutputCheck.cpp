#include "OutputCheck.h"

#include "BmpEncoder.h"
#include "PdfOutput.h"
#include "TarShards.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <dirent.h>
#include <limits>
#include <numeric>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The file that writing a path reaches: an existing one by its device and
// inode, one yet to be made by its folder's real path and its name.
struct Identity
{
    QString key;
    bool exists = false;
};

// The real path of a folder, or the folder's clean absolute path while it
// is not there (the lines folder is made when the rendering starts).
QString realFolder(const QString &folder)
{
    const QString absolute = QFileInfo(folder).absoluteFilePath();
    const QString real = QFileInfo(absolute).canonicalFilePath();
    return real.isEmpty() ? QDir::cleanPath(absolute) : real;
}

QString newFileKey(const QString &realFolder, const QString &name)
{
    return QStringLiteral("p:") + realFolder + u'/' + name;
}

Identity identityOf(const QString &path, int links = 0)
{
    const QByteArray encoded = QFile::encodeName(path);
    struct stat status{};
    if (::stat(encoded.constData(), &status) == 0)
        return {QStringLiteral("i:%1:%2").arg(status.st_dev).arg(status.st_ino), true};
    // A link that points nowhere yet is written through: its target is made.
    if (links < 40 && ::lstat(encoded.constData(), &status) == 0 && S_ISLNK(status.st_mode)) {
        const QString target = QFileInfo(path).symLinkTarget();
        if (!target.isEmpty())
            return {identityOf(target, links + 1).key, true};
    }
    const QFileInfo info(path);
    return {newFileKey(realFolder(info.path()), info.fileName()), false};
}

// The names in a folder, read once, so that the many files of a rendering
// need no look-up of their own unless something of their name is there.
class Folders
{
public:
    bool Contains(const QString &path) { return folder(path).names.contains(QFileInfo(path).fileName()); }

    Identity IdentityOf(const QString &path)
    {
        const Folder &where = folder(path);
        const QString name = QFileInfo(path).fileName();
        if (where.names.contains(name))
            return identityOf(path);
        return {newFileKey(where.real, name), false};
    }

private:
    struct Folder
    {
        QString real;
        QSet<QString> names;
    };

    const Folder &folder(const QString &path)
    {
        const QString folder = QFileInfo(path).path();
        auto found = m_folders.find(folder);
        if (found == m_folders.end())
            found = m_folders.insert(folder, read(folder));
        return *found;
    }

    static Folder read(const QString &folder)
    {
        Folder read{realFolder(folder), {}};
        DIR *listing = ::opendir(QFile::encodeName(folder).constData());
        if (!listing)
            return read;
        while (const dirent *entry = ::readdir(listing))
            read.names.insert(QFile::decodeName(entry->d_name));
        ::closedir(listing);
        return read;
    }

    QHash<QString, Folder> m_folders;
};

QString described(OutputRole role)
{
    switch (role) {
    case OutputRole::Picture: return QStringLiteral("the picture");
    case OutputRole::BoxFile: return QStringLiteral("the box file (--boxes)");
    case OutputRole::Outlined: return QStringLiteral("the outlined picture (--overlay)");
    case OutputRole::LineImage: return QStringLiteral("the line image (--lines)");
    case OutputRole::LineText: return QStringLiteral("the line text (--lines)");
    case OutputRole::Document: return QStringLiteral("the PDF document");
    case OutputRole::OutlinedDocument: return QStringLiteral("the outlined PDF document (--overlay)");
    case OutputRole::DocumentBoxes: return QStringLiteral("the box file (--boxes)");
    case OutputRole::Shard: return QStringLiteral("the shard");
    }
    return QString();
}

struct Claim
{
    QString what;
    QString name;
    bool output = true;
};

class Claims
{
public:
    void Take(const Identity &identity, const Claim &claim)
    {
        const auto found = m_taken.constFind(identity.key);
        if (found == m_taken.constEnd()) {
            m_taken.insert(identity.key, claim);
            return;
        }
        if (found->output || claim.output)
            RefuseUsage(QStringLiteral("%1 '%2' and %3 '%4' are the same file")
                            .arg(found->what, found->name, claim.what, claim.name));
    }

    void Check(const Identity &identity, const Claim &claim)
    {
        const auto found = m_taken.constFind(identity.key);
        if (found != m_taken.constEnd())
            Take(identity, claim);
    }

private:
    QHash<QString, Claim> m_taken;
};

// Calls visit(seed, layout) for every variant: its seed when the names
// carry it, its pages and lines.
template <typename Visit>
void forEachVariant(const RunShape &shape, const Visit &visit)
{
    const RunShape::Layout common{shape.pages, shape.linesOfPage};
    for (std::size_t variant = 0; variant < shape.variants; ++variant) {
        std::optional<std::uint32_t> seed;
        if (shape.firstVariantSeed)
            seed = *shape.firstVariantSeed + static_cast<std::uint32_t>(variant);
        const bool ownFont = !shape.fontOfVariant.empty();
        visit(seed, ownFont ? shape.fontLayouts.at(shape.fontOfVariant.at(variant)) : common);
    }
}

// Every output of every variant, one variant's names at a time; then the
// shards of a tar OUTPUT, which the variants share.
template <typename Visit>
void forEachOutput(const RenderOptions &options, const RunShape &shape, const Visit &visit)
{
    std::size_t samples = 0;
    forEachVariant(shape, [&](std::optional<std::uint32_t> seed, const RunShape::Layout &layout) {
        const OutputNames names(options, layout.pages, seed);
        ForEachOutput(names, options, [&layout](std::size_t page) { return layout.linesOfPage.at(page); }, visit);
        samples += layout.pages;
        if (options.linesFolder)
            samples += std::accumulate(layout.linesOfPage.begin(), layout.linesOfPage.end(), std::size_t(0));
    });
    if (options.outputKind != OutputKind::Shards)
        return;
    const QString prefix = ShardPrefix(options, shape.firstVariantSeed);
    const std::size_t shards = (samples + *options.shardSize - 1) / *options.shardSize;
    for (std::size_t shard = 0; shard < shards; ++shard)
        visit(OutputRole::Shard, TarShards::ShardName(prefix, shard));
}

} // namespace

void CheckOutputs(const RenderOptions &options, const RunShape &shape)
{
    Claims claims;
    if (!options.input.isEmpty() && options.input != u"-")
        claims.Take(identityOf(options.input), {QStringLiteral("INPUT"), options.input, false});
    claims.Take(identityOf(options.settingsPath), {QStringLiteral("the settings file"), options.settingsPath, false});
    if (options.groundTruth)
        claims.Take(identityOf(*options.groundTruth),
                    {QStringLiteral("the manifest (--ground-truth)"), *options.groundTruth});

    // The names of a rendering differ from each other by their rules (a
    // number, a seed, a suffix), so only a name that is already there can
    // be one file with another of them: through a link, or as one of the
    // files above. Those are claimed first; every new name is then checked
    // against them.
    Folders folders;
    forEachOutput(options, shape, [&](OutputRole role, const QString &name) {
        if (folders.Contains(name))
            claims.Take(folders.IdentityOf(name), {described(role), name});
    });
    forEachOutput(options, shape, [&](OutputRole role, const QString &name) {
        if (!folders.Contains(name))
            claims.Check(folders.IdentityOf(name), {described(role), name});
    });
}

void CheckPictures(const RenderOptions &options, const RenderJob &job, const std::vector<PagePlan> &pages,
                   const OutputNames &names)
{
    constexpr std::int64_t countLimit = std::numeric_limits<std::int32_t>::max();
    for (std::size_t index = 0; index < pages.size(); ++index) {
        const std::int64_t width = Wrap::Sub(pages[index].bounds.Right, pages[index].bounds.Left);
        const std::int64_t height = Wrap::Sub(pages[index].bounds.Bottom, pages[index].bounds.Top);
        // The count is ((width x height) div 30) div 2 x noise, in 32 bits.
        const std::int64_t area = width * height;
        const std::int64_t perLevel = area / 30 / 2;
        const std::int64_t count = perLevel * job.rausch;
        if (job.rausch != 0 && (area > countLimit || count > countLimit || count < -countLimit - 1)) {
            const std::int64_t highest = area > countLimit ? 0 : countLimit / perLevel;
            const QString level = QString::number(job.rausch);
            if (options.noise)
                RefuseUsage(QStringLiteral("--noise: too high for a picture of %1x%2 (at most %3): '%4'")
                                .arg(width)
                                .arg(height)
                                .arg(highest)
                                .arg(level));
            RefuseUsage(QStringLiteral("the setup's noise level (Rausch) %1 is too high for a picture of %2x%3 "
                                       "(at most %4)")
                            .arg(level)
                            .arg(width)
                            .arg(height)
                            .arg(highest));
        }
        if (options.pictureFormat == PictureFormat::Bmp)
            CheckFitsBmp(width, height, names.Picture(index));
        else if (options.outputKind == OutputKind::Pdf)
            CheckFitsPdf(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height), names.Document());
    }
}
