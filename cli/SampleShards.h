#pragma once

#include "PageLayout.h"
#include "TarShards.h"

#include <QString>
#include <QtGlobal>
#include <functional>
#include <string>
#include <vector>

class WholeFileWriter;

// A tar OUTPUT across every variant of a run: the pages come as samples in
// page order, and a picture is reported once the shard that holds it is in
// place. Its manifest line goes out at once (a shard's lines would take
// much memory to hold); should the run stop, Abandon() takes back the lines
// of the shard that is not written. So the reported lines and the manifest
// tell of the finished shards only.
class SampleShards
{
public:
    using Report = std::function<void(const QString &shard, const LumoRect &bounds)>;

    SampleShards(const QString &prefix, std::size_t samplesPerShard, WholeFileWriter *manifest, Report report);

    // A page's samples, its picture's first, then its lines'.
    void AddPage(const std::vector<TarSample> &samples, const QString &picture, const LumoRect &bounds,
                 const std::string &manifestLine);
    // Puts the last shard in place.
    void Finish();
    // For a run that stops: the manifest loses the lines of the pictures
    // whose shard is not written.
    void Abandon();

    // What a stopped run names as the first picture not written: the first
    // one waiting for its shard, else `next`.
    QString NotWritten(const QString &next) const;

private:
    struct Waiting
    {
        QString picture;
        LumoRect bounds;
    };

    // The pictures of the shard just put in place.
    void completeWaiting(const QString &shard);

    TarShards m_shards;
    WholeFileWriter *m_manifest;
    Report m_report;
    std::vector<Waiting> m_waiting;
    // The manifest's length when the last shard was put in place.
    qint64 m_manifestKept = 0;
};
