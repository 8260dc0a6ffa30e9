#pragma once

#include "WholeFile.h"

#include <QByteArray>
#include <QLatin1StringView>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

struct archive;

// The extension of a tar OUTPUT and of its shards.
inline constexpr QLatin1StringView TarExtension(".tar");

// One file of a sample: its name inside the shard and its bytes.
struct TarMember
{
    QString name;
    QByteArray bytes;
};

// A sample: files that share one key, the part of their names before the
// first "." (out11.png, out11.json, out11.box).
using TarSample = std::vector<TarMember>;

// Samples written into tar archives of up to a given number of samples
// each, PREFIX-000000.tar, PREFIX-000001.tar, ..., the layout that sharded
// training data readers take (WebDataset): a sample's files follow each
// other, and the shards follow each other. Each shard is written whole
// (WholeFileWriter): it takes its place once it is complete and on the
// disk, so a failure or an interruption leaves the finished shards and no
// part of the one in progress. The members carry no time or owner of
// their own, so the same samples always make the same bytes.
class TarShards
{
public:
    TarShards(const QString &prefix, std::size_t samplesPerShard);
    ~TarShards();
    TarShards(const TarShards &) = delete;
    TarShards &operator=(const TarShards &) = delete;

    // The name of shard number `index`.
    static QString ShardName(const QString &prefix, std::size_t index);
    // The shard the next sample goes into.
    QString Current() const { return ShardName(m_prefix, m_finished); }

    // Writes the sample into the current shard, which is started when it
    // is not yet. Returns whether that made the shard full, in which case it
    // is finished and in place. Raises the creation error of the shard.
    bool Add(const TarSample &sample);
    // Finishes the shard in progress; returns whether there was one.
    bool Finish();

private:
    class Archive;

    QString m_prefix;
    std::size_t m_samplesPerShard;
    std::size_t m_finished = 0;
    std::size_t m_samples = 0;
    std::unique_ptr<Archive> m_open;
};
