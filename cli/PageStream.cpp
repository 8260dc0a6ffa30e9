#include "PageStream.h"

#include "CodePage.h"
#include "GroundTruth.h"
#include "PageGeometry.h"
#include "Interruption.h"
#include "OrderedWork.h"
#include "OutputNames.h"
#include "PageDrawing.h"
#include "PageTruth.h"
#include "PdfOutput.h"
#include "PictureEncoder.h"
#include "PixelBuffer.h"
#include "PngEncoder.h"
#include "SampleShards.h"
#include "WholeFile.h"

#include <QFileInfo>
#include <optional>
#include <utility>
#include <vector>

namespace {

// What a worker hands back for one page: its file's bytes (or for PDF the
// picture as a PDF image, which the document takes in page order) and whatever of
// its truth was asked for, ready to be written.
struct FinishedPage
{
    // Written, to be put in place in page order: the picture's file first.
    std::vector<StagedFile> files;
    // Or for a tar OUTPUT the samples: the picture's first, then the lines'.
    std::vector<TarSample> samples;
    PdfImage pdfPage;
    std::string manifestLine;
    std::string documentBoxes;
    PdfImage pdfOutlined;
};

// A worker's own things, kept from page to page.
struct Worker
{
    PixelBuffer buffer;
    PictureEncoder encoder;
    PageTruth truth;
};

// Files put on the disk one after the other, before any of them is renamed,
// share the writes of the blocks that hold their entries and inodes.
constexpr std::size_t SettledTogether = 16;

// Finished pages in page order, waiting until enough files have come to put
// them on the disk together.
class WaitingPages
{
public:
    void Add(std::size_t index, FinishedPage &&page)
    {
        m_files += page.files.size();
        m_pages.emplace_back(index, std::move(page));
    }
    std::size_t Files() const { return m_files; }

    // Puts every waiting page's files on the disk, then completes the pages
    // in order. When a page's file cannot be put on the disk, the pages
    // before it are completed and the error goes on.
    template <typename Completion>
    void Complete(const Completion &complete)
    {
        std::vector<std::pair<std::size_t, FinishedPage>> pages = std::exchange(m_pages, {});
        m_files = 0;
        std::size_t settled = 0;
        try {
            for (; settled < pages.size(); ++settled) {
                for (StagedFile &file : pages[settled].second.files)
                    file.Settle();
            }
        } catch (...) {
            for (std::size_t page = 0; page < settled; ++page)
                complete(pages[page].first, pages[page].second);
            throw;
        }
        for (auto &[index, page] : pages)
            complete(index, page);
    }

private:
    std::vector<std::pair<std::size_t, FinishedPage>> m_pages;
    std::size_t m_files = 0;
};

bool wantsTruth(const RenderOptions &options, const StreamExtras &extras)
{
    return extras.manifest || options.boxes || options.linesFolder || options.overlay;
}

// The picture a stopped rendering did not come to, as the message names it.
QString pictureNamed(const OutputNames &names, const RenderOptions &options, std::size_t index)
{
    if (options.outputKind == OutputKind::Pdf)
        return QStringLiteral("page %1 of %2, which is not written").arg(index + 1).arg(names.Document());
    if (options.outputKind == OutputKind::None)
        return QStringLiteral("picture %1").arg(index + 1);
    return names.Picture(index);
}

// One rendering's pages on their way: drawn and encoded by the workers
// (Finish), waiting in page order until enough files have come
// (Consume), then put in place, written into the documents and the manifest
// and reported (Complete).
class PageStreamer
{
public:
    PageStreamer(const RunText &text, const RenderJob &job, const std::vector<PagePlan> &pages,
                 const RenderOptions &options, const StreamExtras &extras, const PageReport &report,
                 const PageProgress &progress)
        : m_text(text), m_job(job), m_pages(pages), m_options(options), m_extras(extras), m_report(report),
          m_progress(progress), m_names(options, pages.size(), extras.variantSeed),
          m_truthWanted(wantsTruth(options, extras)), m_texts(text.Codes(), job),
          m_jobs(options.jobs > 0 ? options.jobs : DefaultJobs()), m_workers(static_cast<std::size_t>(m_jobs))
    {
    }

    void Run()
    {
        StopIfInterrupted(m_extras.shards ? m_extras.shards->NotWritten(m_names.Picture(0))
                                          : pictureNamed(m_names, m_options, 0));
        openDocuments();
        // While a batch goes to the disk the workers draw on, as far as a
        // batch more. A PDF's pages wait as pictures in memory, so they keep
        // the short distance.
        const std::size_t ahead = 2 * static_cast<std::size_t>(m_jobs) + (m_pdf ? 0 : SettledTogether);
        try {
            RunInOrder<FinishedPage>(
                m_pages.size(), m_jobs, ahead,
                [this](std::size_t index, int worker) { return finish(index, m_workers[std::size_t(worker)]); },
                [this](std::size_t index, FinishedPage &&page) { return consume(index, std::move(page)); });
        } catch (const Interrupted &) {
            throw;
        } catch (...) {
            // A later page failed while the pages before it waited to be put
            // on the disk together: they are completed first, so that the
            // failure names the first page not written. Should one of them
            // fail, its error is the one that goes on.
            m_waiting.Complete([this](std::size_t index, FinishedPage &page) { complete(index, page); });
            throw;
        }
        finishDocuments();
    }

private:
    void openDocuments()
    {
        if (m_options.outputKind != OutputKind::Pdf)
            return;
        m_pdf.emplace(m_names.Document());
        if (m_options.overlay)
            m_outlinedPdf.emplace(m_names.OutlinedDocument());
    }

    // On a worker: the page drawn, noised and encoded, with its truth.
    FinishedPage finish(std::size_t index, Worker &own)
    {
        const PageCharacters characters = m_text.Page(m_pages[index]);
        DrawPage(characters.View(), m_job, m_pages[index], static_cast<std::int64_t>(index), own.buffer,
                 m_truthWanted ? &own.truth : nullptr);
        const QImage picture = own.buffer.InUse();
        const std::optional<PictureFormat> format = m_options.pictureFormat;
        FinishedPage finished;
        if (m_extras.shards)
            finished.samples.push_back({{m_names.Picture(index), own.encoder.Encode(picture, *format, m_names.Picture(index))}});
        else if (format)
            finished.files.emplace_back(m_names.Picture(index),
                                        own.encoder.Encode(picture, *format, m_names.Picture(index)));
        else if (m_pdf)
            finished.pdfPage = PdfImageOf(picture);
        if (m_truthWanted)
            addTruth(index, own, picture, finished);
        return finished;
    }

    void addTruth(std::size_t index, Worker &own, const QImage &picture, FinishedPage &finished)
    {
        const LumoRect &bounds = m_pages[index].bounds;
        const int height = Wrap::Sub(bounds.Bottom, bounds.Top);
        if (m_extras.manifest) {
            const PageGeometry geometry(m_job.page, m_job.seed, static_cast<std::int64_t>(index), m_job.width, height);
            const PictureFacts facts{m_names.Picture(index), static_cast<qint64>(index), bounds, m_job.seed,
                                     m_extras.settings, m_extras.version, m_job.look, m_job.page, geometry.Angle(),
                                     m_options.lookName, m_extras.chosenFont};
            finished.manifestLine = ManifestLine(facts, own.truth, m_texts);
            if (m_extras.shards)
                put(finished, m_names.SampleTruth(index), QByteArray::fromStdString(finished.manifestLine));
        }
        if (m_options.boxes) {
            // A PDF's pictures share one box file, each with its page.
            if (m_pdf)
                finished.documentBoxes = BoxFileText(own.truth, m_texts, height, static_cast<int>(index));
            else
                put(finished, m_names.BoxFile(index), QByteArray::fromStdString(BoxFileText(own.truth, m_texts, height, 0)));
        }
        if (m_options.linesFolder) {
            for (LineImage &line : LineImages(own.truth, picture, m_job.half, m_texts, m_job.background)) {
                TarMember image{m_names.LineImage(index, line.line), EncodePng(line.picture)};
                TarMember text{m_names.LineText(index, line.line), std::move(line.text)};
                // In a tar OUTPUT each line is a sample of its own.
                if (m_extras.shards) {
                    finished.samples.push_back({std::move(image), std::move(text)});
                } else {
                    finished.files.emplace_back(image.name, image.bytes);
                    finished.files.emplace_back(text.name, text.bytes);
                }
            }
        }
        if (m_options.overlay) {
            const QImage outlined = OutlinedInk(picture, own.truth);
            if (const std::optional<PictureFormat> format = m_options.pictureFormat)
                put(finished, m_names.Outlined(index), own.encoder.Encode(outlined, *format, m_names.Outlined(index)));
            else
                finished.pdfOutlined = PdfImageOf(outlined);
        }
    }

    // A file beside the picture: one of its own, or a member of its sample.
    void put(FinishedPage &finished, const QString &name, QByteArray bytes) const
    {
        if (m_extras.shards)
            finished.samples.front().push_back({name, std::move(bytes)});
        else
            finished.files.emplace_back(name, bytes);
    }

    // In page order, on the calling thread.
    bool consume(std::size_t index, FinishedPage &&page)
    {
        if (SampleShards *shards = m_extras.shards) {
            StopIfInterrupted(shards->NotWritten(m_names.Picture(index)));
            shards->AddPage(page.samples, m_names.Picture(index), m_pages[index].bounds, page.manifestLine);
            if (m_progress)
                m_progress(index + 1, m_pages.size());
            return true;
        }
        StopIfInterrupted(pictureNamed(m_names, m_options, m_completed));
        m_waiting.Add(index, std::move(page));
        // Pages wait only for files to put on the disk, and a PDF's pictures
        // not at all: they are the document.
        if (m_pdf || m_waiting.Files() == 0 || m_waiting.Files() >= SettledTogether || index + 1 == m_pages.size())
            m_waiting.Complete([this](std::size_t done, FinishedPage &finished) { complete(done, finished); });
        return true;
    }

    // Once its files are on the disk and in place, a page goes into the
    // documents and the manifest and is reported.
    void complete(std::size_t index, FinishedPage &finished)
    {
        for (StagedFile &file : finished.files)
            file.PutInPlace();
        if (m_pdf)
            m_pdf->AddPage(finished.pdfPage);
        if (m_outlinedPdf)
            m_outlinedPdf->AddPage(finished.pdfOutlined);
        m_documentBoxes += finished.documentBoxes;
        m_completed = index + 1;
        // Reported before its manifest line goes out: should the manifest
        // fail, the picture is in place all the same.
        if (!m_pdf)
            m_report(m_names.Picture(index), m_pages[index].bounds);
        if (m_extras.manifest)
            m_extras.manifest->Write(finished.manifestLine);
        if (m_progress)
            m_progress(index + 1, m_pages.size());
    }

    // A document is one file: its pages are reported once it is whole.
    void finishDocuments()
    {
        if (!m_pdf)
            return;
        m_pdf->Finish();
        if (m_outlinedPdf)
            m_outlinedPdf->Finish();
        if (m_options.boxes)
            SaveFile(m_names.DocumentBoxes(), m_documentBoxes);
        for (std::size_t index = 0; index < m_pages.size(); ++index)
            m_report(m_names.Picture(index), m_pages[index].bounds);
    }

    const RunText &m_text;
    const RenderJob &m_job;
    const std::vector<PagePlan> &m_pages;
    const RenderOptions &m_options;
    const StreamExtras &m_extras;
    const PageReport &m_report;
    const PageProgress &m_progress;
    const OutputNames m_names;
    const bool m_truthWanted;
    const TruthTexts m_texts;
    const int m_jobs;
    std::vector<Worker> m_workers;
    std::optional<PdfDocument> m_pdf;
    std::optional<PdfDocument> m_outlinedPdf;
    std::string m_documentBoxes;
    WaitingPages m_waiting;
    std::size_t m_completed = 0;
};

} // namespace

void StreamPages(const RunText &text, const RenderJob &job, const std::vector<PagePlan> &pages,
                 const RenderOptions &options, const StreamExtras &extras, const PageReport &report,
                 const PageProgress &progress)
{
    PageStreamer(text, job, pages, options, extras, report, progress).Run();
}
