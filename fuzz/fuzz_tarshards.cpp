// Samples written into tar shards and read back: every member comes back
// under the name it was given and with its bytes, in order, each shard
// holding the samples it should; whatever the names (any script, long ones
// that need an extended header) and under the C locale the fuzzer runs in.
// The input: a byte for the samples a shard holds, then samples, each a
// byte for its members and per member a two-byte name length, the name as
// UTF-8, a two-byte size and the bytes.

#include "FuzzSupport.h"

#include "TarShards.h"

#include <QDir>
#include <archive.h>
#include <archive_entry.h>
#include <cstddef>
#include <cstdint>
#include <locale.h>
#include <optional>
#include <vector>

namespace {

class Input
{
public:
    Input(const std::uint8_t *data, std::size_t size) : m_data(data), m_size(size) {}

    bool Empty() const { return m_at >= m_size; }
    std::size_t Byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    std::size_t Short() { return Byte() << 8 | Byte(); }
    QByteArray Bytes(std::size_t count)
    {
        const std::size_t taken = std::min(count, m_size - std::min(m_at, m_size));
        QByteArray bytes(reinterpret_cast<const char *>(m_data + m_at), static_cast<qsizetype>(taken));
        m_at += taken;
        return bytes;
    }

private:
    const std::uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

// A member's name as lumo-render makes them: a file name without a folder
// and without control characters, never empty, with an extension.
QString memberName(const QByteArray &utf8)
{
    QString name = QString::fromUtf8(utf8);
    for (QChar &c : name) {
        if (c == u'/' || c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = u'_';
    }
    return name + QStringLiteral(".png");
}

struct Member
{
    QByteArray name;
    QByteArray bytes;
    bool operator==(const Member &) const = default;
};

// The reader, like the writer, spells names in UTF-8 whatever the locale:
// under the C locale libarchive would refuse to read such a name back.
std::optional<std::vector<Member>> readShard(const QString &path)
{
    const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(nullptr));
    const locale_t previous = uselocale(utf8);
    archive *reader = archive_read_new();
    archive_read_support_format_tar(reader);
    std::optional<std::vector<Member>> members;
    if (archive_read_open_filename(reader, QFile::encodeName(path).constData(), 65536) == ARCHIVE_OK) {
        members.emplace();
        archive_entry *entry = nullptr;
        int status = ARCHIVE_OK;
        while ((status = archive_read_next_header(reader, &entry)) == ARCHIVE_OK) {
            const char *name = archive_entry_pathname_utf8(entry);
            Member member{QByteArray(name ? name : ""), QByteArray()};
            member.bytes.resize(archive_entry_size(entry));
            if (archive_read_data(reader, member.bytes.data(), std::size_t(member.bytes.size())) != member.bytes.size())
                break;
            members->push_back(member);
        }
        if (status != ARCHIVE_EOF)
            members.reset();
    }
    archive_read_free(reader);
    uselocale(previous);
    freelocale(utf8);
    return members;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    Input input(data, size);
    const std::size_t perShard = input.Byte() % 8 + 1;
    std::vector<TarSample> samples;
    while (!input.Empty() && samples.size() < 40) {
        TarSample sample;
        const std::size_t members = input.Byte() % 4 + 1;
        for (std::size_t i = 0; i < members; ++i) {
            const QString name = memberName(input.Bytes(input.Short() % 700));
            sample.push_back({name, input.Bytes(input.Short() % 4096)});
        }
        samples.push_back(sample);
    }
    if (samples.empty())
        return 0;

    const QString folder = ScratchFolder() + QStringLiteral("/shards");
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    const QString prefix = folder + QStringLiteral("/out");
    {
        TarShards shards(prefix, perShard);
        std::size_t added = 0;
        for (const TarSample &sample : samples) {
            const bool full = shards.Add(sample);
            ++added;
            FUZZ_CHECK(full == (added % perShard == 0), "a shard finished at the wrong sample");
        }
        FUZZ_CHECK(shards.Finish() == (added % perShard != 0), "the last shard was not there to finish");
    }

    const std::size_t shardCount = (samples.size() + perShard - 1) / perShard;
    FUZZ_CHECK(QDir(folder).entryList(QDir::Files | QDir::Hidden).size() == qsizetype(shardCount),
               "not one file a shard: " + QDir(folder).entryList(QDir::Files | QDir::Hidden).join(' ').toUtf8());
    for (std::size_t shard = 0; shard < shardCount; ++shard) {
        const QString path = TarShards::ShardName(prefix, shard);
        const std::optional<std::vector<Member>> read = readShard(path);
        FUZZ_CHECK(read.has_value(), "shard not whole: " + path.toUtf8());
        std::vector<Member> expected;
        for (std::size_t i = shard * perShard; i < std::min(samples.size(), (shard + 1) * perShard); ++i) {
            for (const TarMember &member : samples[i])
                expected.push_back({member.name.toUtf8(), member.bytes});
        }
        FUZZ_CHECK(read->size() == expected.size(), "members lost or added in " + path.toUtf8());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            FUZZ_CHECK((*read)[i].name == expected[i].name,
                       "name " + Escaped((*read)[i].name) + " instead of " + Escaped(expected[i].name));
            FUZZ_CHECK((*read)[i].bytes == expected[i].bytes, "other bytes under " + Escaped(expected[i].name));
        }
    }
    return 0;
}
