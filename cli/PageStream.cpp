#include "PageStream.h"

#include "OrderedWork.h"
#include "PageDrawing.h"
#include "PdfOutput.h"
#include "PictureEncoder.h"
#include "PictureExport.h"
#include "PixelBuffer.h"
#include "WholeFile.h"

#include <optional>
#include <vector>

namespace {

PictureFormat pictureFormat(OutputKind kind)
{
    switch (kind) {
    case OutputKind::Jpeg: return PictureFormat::Jpeg;
    case OutputKind::Bmp: return PictureFormat::Bmp;
    default: return PictureFormat::Png;
    }
}

bool writesPictureFiles(OutputKind kind)
{
    return kind == OutputKind::Jpeg || kind == OutputKind::Bmp || kind == OutputKind::Png;
}

// What a worker hands back for one page: its file's bytes, or for PDF the
// picture itself, which the document takes in page order.
struct FinishedPage
{
    QByteArray bytes;
    QImage picture;
};

// A worker's own things, kept from page to page.
struct Worker
{
    PixelBuffer buffer;
    PictureEncoder encoder;
};

} // namespace

void StreamPages(const QByteArray &text, const RenderJob &job, const RenderOptions &options,
                 const PageReport &report, const PageProgress &progress)
{
    const std::vector<PagePlan> pages = PlanPages(text, job);
    const OutputKind kind = options.outputKind;
    std::optional<PdfDocument> pdf;
    if (kind == OutputKind::Pdf) {
        // Refused before anything is drawn or written.
        for (const PagePlan &page : pages)
            CheckFitsPdf(job.width, Wrap::Sub(page.bounds.Bottom, page.bounds.Top), options.output);
        pdf.emplace(options.output);
    }
    const std::vector<QString> names =
        writesPictureFiles(kind) ? PictureFileNames(options.output, pages.size(), pictureFormat(kind))
                                 : std::vector<QString>();

    const int jobs = options.jobs > 0 ? options.jobs : DefaultJobs();
    std::vector<Worker> workers(static_cast<std::size_t>(jobs));
    RunInOrder<FinishedPage>(
        pages.size(), jobs, 2 * static_cast<std::size_t>(jobs),
        [&](std::size_t index, int worker) {
            Worker &own = workers[static_cast<std::size_t>(worker)];
            DrawPage(text, job, pages[index], static_cast<std::int64_t>(index), own.buffer);
            FinishedPage finished;
            if (writesPictureFiles(kind))
                finished.bytes = own.encoder.Encode(own.buffer.InUse(), pictureFormat(kind), names[index]);
            else if (kind == OutputKind::Pdf)
                finished.picture = own.buffer.InUse().copy();
            return finished;
        },
        [&](std::size_t index, FinishedPage &&finished) {
            if (writesPictureFiles(kind)) {
                SaveFile(names[index], finished.bytes);
                report(names[index], pages[index].bounds);
            } else if (kind == OutputKind::None) {
                report(QStringLiteral("-"), pages[index].bounds);
            } else {
                pdf->AddPage(finished.picture);
            }
            if (progress)
                progress(index + 1, pages.size());
            return true;
        });

    if (pdf) {
        // The document is one file: its pages are reported once it is whole.
        pdf->Finish();
        for (const PagePlan &page : pages)
            report(options.output, page.bounds);
    }
}
