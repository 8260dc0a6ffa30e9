// Samples written into tar shards and read back: every member comes back
// under the name it was given and with its bytes, in order, each shard
// holding the samples it should; whatever the names (any script, long ones
// that need an extended header) and under the C locale the fuzzer runs in.
// The input: a byte for the samples a shard holds, then samples, each a
// byte for its members and per member a two-byte name length, the name as
// UTF-8, a two-byte size and the bytes.

#include "FuzzSupport.h"

#include "ShardReading.h"
#include "TarShards.h"

#include <QDir>
#include <cstddef>
#include <cstdint>
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
        const std::optional<std::vector<ShardMember>> read = ReadShard(path);
        FUZZ_CHECK(read.has_value(), "shard not whole: " + path.toUtf8());
        std::vector<ShardMember> expected;
        for (std::size_t i = shard * perShard; i < std::min(samples.size(), (shard + 1) * perShard); ++i) {
            for (const TarMember &member : samples[i])
                expected.push_back({member.name, member.bytes});
        }
        FUZZ_CHECK(read->size() == expected.size(), "members lost or added in " + path.toUtf8());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            // libarchive's reader composes what it reads (the writer keeps a
            // name's bytes as given; the shard test checks those).
            FUZZ_CHECK((*read)[i].name.normalized(QString::NormalizationForm_C)
                           == expected[i].name.normalized(QString::NormalizationForm_C),
                       "name " + Escaped((*read)[i].name.toUtf8()) + " instead of " + Escaped(expected[i].name.toUtf8()));
            FUZZ_CHECK((*read)[i].bytes == expected[i].bytes, "other bytes under " + Escaped(expected[i].name.toUtf8()));
        }
    }
    return 0;
}
