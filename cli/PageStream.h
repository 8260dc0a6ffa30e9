#pragma once

#include "PageLayout.h"
#include "RenderJob.h"
#include "RenderOptions.h"
#include "RunText.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class SampleShards;
class WholeFileWriter;

// Told of each picture in page order once it is complete: its file's name
// ("-" when nothing is written; the document for PDF) and its bounds.
using PageReport = std::function<void(const QString &name, const LumoRect &bounds)>;
// Told now and then how many of the pictures are complete.
using PageProgress = std::function<void(std::size_t done, std::size_t total)>;

// What one rendering (one variant) writes besides the pictures.
struct StreamExtras
{
    // The manifest, shared by every variant; its lines are written in page order.
    WholeFileWriter *manifest = nullptr;
    // A tar OUTPUT's shards, shared by every variant: they take the pages
    // as samples, and report them and write their manifest lines instead.
    SampleShards *shards = nullptr;
    // The variant's seed when the names carry it.
    std::optional<std::uint32_t> variantSeed;
    QString version;
    // The settings' keys and values, as the manifest names them.
    QList<std::pair<QByteArray, QByteArray>> settings;
    // The font chosen from --fonts for this rendering, or empty.
    QString chosenFont;
};

// lumo-render's rendering: the pages of the layout pass (PlanPages) drawn, noised,
// encoded and written on worker threads (options.jobs), each worker with a
// page buffer and an encoder of its own, the files written one after the
// other in page order, and each page's memory free again once its file is
// written; so memory stays a few pages a worker, however long the text.
// With ground truth asked for, the workers follow the drawing and write its
// truth beside the pictures. When page k cannot be written the pages before
// it are written and reported and no later one is; the error goes on to
// the caller.
// A signal caught (see InterruptionWatch) stops it before the next page is
// completed, with Interrupted naming that page; what waited is removed.
void StreamPages(const RunText &text, const RenderJob &job, const std::vector<PagePlan> &pages,
                 const RenderOptions &options, const StreamExtras &extras, const PageReport &report,
                 const PageProgress &progress);
