#include "PageStream.h"

#include "CodePage.h"
#include "GroundTruth.h"
#include "Interruption.h"
#include "OrderedWork.h"
#include "OutputNames.h"
#include "PageDrawing.h"
#include "PageTruth.h"
#include "PdfOutput.h"
#include "PictureEncoder.h"
#include "PixelBuffer.h"
#include "PngEncoder.h"
#include "SetupStore.h"
#include "WholeFile.h"

#include <QFileInfo>
#include <optional>
#include <utility>
#include <vector>

namespace {

// What a worker hands back for one page: its file's bytes (or for PDF the
// picture itself, which the document takes in page order) and whatever of
// its truth was asked for, ready to be written.
struct FinishedPage
{
    // Written, to be put in place in page order: the picture's file first.
    std::vector<StagedFile> files;
    QImage picture;
    std::string manifestLine;
    std::string documentBoxes;
    QImage outlined;
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

} // namespace

void StreamPages(const QByteArray &text, const RenderJob &job, const std::vector<PagePlan> &pages,
                 const RenderOptions &options, const StreamExtras &extras, const PageReport &report,
                 const PageProgress &progress)
{
    const OutputKind kind = options.outputKind;
    const std::optional<PictureFormat> format = options.pictureFormat;
    const OutputNames names(options, pages.size(), extras.variantSeed);
    StopIfInterrupted(pictureNamed(names, options, 0));
    std::optional<PdfDocument> pdf;
    std::optional<PdfDocument> outlinedPdf;
    if (kind == OutputKind::Pdf) {
        pdf.emplace(names.Document());
        if (options.overlay)
            outlinedPdf.emplace(names.OutlinedDocument());
    }

    const bool truthWanted = wantsTruth(options, extras);
    const TruthTexts texts(CharsetTable(job.font.Charset()));
    const int jobs = options.jobs > 0 ? options.jobs : DefaultJobs();
    std::vector<Worker> workers(static_cast<std::size_t>(jobs));

    std::string documentBoxes;
    std::size_t completed = 0;
    // Once its files are on the disk and in place, a page goes into the
    // documents and the manifest and is reported.
    const auto completePage = [&](std::size_t index, FinishedPage &finished) {
        for (StagedFile &file : finished.files)
            file.PutInPlace();
        if (pdf)
            pdf->AddPage(finished.picture);
        if (outlinedPdf)
            outlinedPdf->AddPage(finished.outlined);
        documentBoxes += finished.documentBoxes;
        completed = index + 1;
        // Reported before its manifest line goes out: should the manifest
        // fail, the picture is in place all the same.
        if (!pdf)
            report(names.Picture(index), pages[index].bounds);
        if (extras.manifest)
            extras.manifest->Write(finished.manifestLine);
        if (progress)
            progress(index + 1, pages.size());
    };
    WaitingPages waiting;
    // While a batch goes to the disk the workers draw on, as far as a batch
    // more. A PDF's pages wait as pictures in memory, so they keep the short
    // distance.
    const std::size_t ahead = 2 * static_cast<std::size_t>(jobs) + (pdf ? 0 : SettledTogether);
    try {
        RunInOrder<FinishedPage>(
            pages.size(), jobs, ahead,
            [&](std::size_t index, int worker) {
                Worker &own = workers[static_cast<std::size_t>(worker)];
                DrawPage(text, job, pages[index], static_cast<std::int64_t>(index), own.buffer,
                         truthWanted ? &own.truth : nullptr);
                const QImage picture = own.buffer.InUse();
                FinishedPage finished;
                if (format)
                    finished.files.emplace_back(names.Picture(index),
                                                own.encoder.Encode(picture, *format, names.Picture(index)));
                else if (kind == OutputKind::Pdf)
                    finished.picture = picture.copy();
                if (!truthWanted)
                    return finished;

                const int height = Wrap::Sub(pages[index].bounds.Bottom, pages[index].bounds.Top);
                if (extras.manifest) {
                    const PictureFacts facts{names.Picture(index), static_cast<qint64>(index), pages[index].bounds,
                                             job.seed,             extras.settings,            extras.version};
                    finished.manifestLine = ManifestLine(facts, own.truth, texts);
                }
                if (options.boxes) {
                    // A PDF's pictures share one box file, each with its page.
                    if (kind == OutputKind::Pdf)
                        finished.documentBoxes = BoxFileText(own.truth, texts, height, static_cast<int>(index));
                    else
                        finished.files.emplace_back(names.BoxFile(index), BoxFileText(own.truth, texts, height, 0));
                }
                if (options.linesFolder) {
                    for (const LineImage &line : LineImages(own.truth, picture, job.half, texts.Characters())) {
                        finished.files.emplace_back(names.LineImage(index, line.line), EncodePng(line.picture));
                        finished.files.emplace_back(names.LineText(index, line.line), line.text);
                    }
                }
                if (options.overlay) {
                    const QImage outlined = OutlinedInk(picture, own.truth);
                    if (format)
                        finished.files.emplace_back(names.Outlined(index),
                                                    own.encoder.Encode(outlined, *format, names.Outlined(index)));
                    else
                        finished.outlined = outlined;
                }
                return finished;
            },
            [&](std::size_t index, FinishedPage &&finished) {
                StopIfInterrupted(pictureNamed(names, options, completed));
                waiting.Add(index, std::move(finished));
                // Pages wait only for files to put on the disk, and a PDF's
                // pictures not at all: they are the document.
                if (pdf || waiting.Files() == 0 || waiting.Files() >= SettledTogether || index + 1 == pages.size())
                    waiting.Complete(completePage);
                return true;
            });
    } catch (const Interrupted &) {
        throw;
    } catch (...) {
        // A later page failed while the pages before it waited to be put on
        // the disk together: they are completed first, so that the failure
        // names the first page not written. Should one of them fail, its
        // error is the one that goes on.
        waiting.Complete(completePage);
        throw;
    }

    if (pdf) {
        // The document is one file: its pages are reported once it is whole.
        pdf->Finish();
        if (outlinedPdf)
            outlinedPdf->Finish();
        if (options.boxes)
            SaveFile(names.DocumentBoxes(), documentBoxes);
        for (std::size_t index = 0; index < pages.size(); ++index)
            report(names.Picture(index), pages[index].bounds);
    }
}
