#include "SampleShards.h"

#include "WholeFile.h"

#include <QFileInfo>
#include <utility>

SampleShards::SampleShards(const QString &prefix, std::size_t samplesPerShard, WholeFileWriter *manifest,
                           Report report)
    : m_shards(prefix, samplesPerShard), m_manifest(manifest), m_report(std::move(report))
{
}

void SampleShards::AddPage(const std::vector<TarSample> &samples, const QString &picture, const LumoRect &bounds,
                           const std::string &manifestLine)
{
    if (m_manifest)
        m_manifest->Write(manifestLine);
    m_waiting.push_back({picture, bounds});
    for (const TarSample &sample : samples) {
        const QString shard = m_shards.Current();
        if (m_shards.Add(sample))
            completeWaiting(shard);
    }
}

void SampleShards::Finish()
{
    const QString shard = m_shards.Current();
    if (m_shards.Finish())
        completeWaiting(shard);
}

QString SampleShards::NotWritten(const QString &next) const
{
    const QString picture = m_waiting.empty() ? next : m_waiting.front().picture;
    return QStringLiteral("%1 in %2, which is not written").arg(picture, QFileInfo(m_shards.Current()).fileName());
}

void SampleShards::Abandon()
{
    if (m_manifest)
        m_manifest->CutBack(m_manifestKept);
}

void SampleShards::completeWaiting(const QString &shard)
{
    // A page whose picture is in the shard may have lines in the next one;
    // its manifest line stays all the same.
    if (m_manifest)
        m_manifestKept = m_manifest->Written();
    for (const Waiting &page : std::exchange(m_waiting, {}))
        m_report(shard, page.bounds);
}
