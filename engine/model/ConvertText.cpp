#include "ConvertText.h"

#include "CompactPicture.h"
#include "LumoRandom.h"
#include "OrderedWork.h"
#include "PageDrawing.h"
#include "PageLayout.h"
#include "PixelBuffer.h"
#include "RenderJob.h"
#include "RenderSettings.h"

#include <algorithm>

namespace {

// Every page is kept for display, most of them at a byte a pixel; the
// workers' pages in progress are 32-bit. Checked before anything is drawn.
void checkMemory(const std::vector<PagePlan> &pages, const RenderJob &job, int jobs)
{
    const std::uint64_t pixels = std::uint64_t(std::max(job.width, 0)) * std::uint64_t(std::max(job.height, 0));
    if (job.onePicture) {
        const std::uint64_t tallest = std::uint64_t(std::max(job.width, 0)) * std::uint64_t(pages.front().tallest);
        CheckPictureMemory(tallest * 4);
        return;
    }
    CheckPictureMemory(pixels * (pages.size() + 4 * std::uint64_t(jobs)));
}

} // namespace

void ConvertText(const QByteArray &bytes, PictureControl &firstPicture, PictureOwner &owner, bool onePicture,
                 const ConvertOptions &options)
{
    const std::uint32_t seed = options.seed ? *options.seed : ClockSeed();

    for (std::size_t i = ImageList.size(); i-- > 1;) {
        PictureControl *old = ImageList[i];
        ImageList.erase(ImageList.begin() + static_cast<std::ptrdiff_t>(i));
        owner.DestroyPicture(old);
    }
    firstPicture.ClearPicture();

    // The settings as they are at the command: the workers draw from this copy.
    const RenderValues values = CurrentRenderValues();
    // The windows' texts are 8-bit, in the font's code page.
    const CharacterText text = CharacterText::FromBytes(bytes, CharsetTable(values.font.Charset()));
    const RenderJob job = RenderJob::From(text, values, firstPicture.BoundsRect(), onePicture, seed);
    const std::vector<PagePlan> pages = PlanPages(text, job);
    const int jobs = options.jobs > 0 ? options.jobs : DefaultJobs();
    checkMemory(pages, job, jobs);

    // Drawn on the workers, kept here in page order until the work is over:
    // the pictures' owner belongs to the thread that called.
    std::vector<QImage> drawn;
    drawn.reserve(pages.size());
    WorkProgress progress;
    progress.total = static_cast<qsizetype>(pages.size());
    const auto drawAll = [&] {
        std::vector<PixelBuffer> buffers(static_cast<std::size_t>(jobs));
        RunInOrder<QImage>(
            pages.size(), jobs, 2 * static_cast<std::size_t>(jobs),
            [&](std::size_t index, int worker) {
                PixelBuffer &buffer = buffers[static_cast<std::size_t>(worker)];
                DrawPage(text, job, pages[index], static_cast<std::int64_t>(index), buffer);
                // A growing picture is drawn once, and kept in its own memory.
                if (job.onePicture)
                    return CompactInPlace(std::move(buffer));
                return CompactPicture(buffer.InUse());
            },
            [&](std::size_t, QImage &&picture) {
                drawn.push_back(std::move(picture));
                progress.done = static_cast<qsizetype>(drawn.size());
                return !progress.cancelled;
            });
    };

    // Whatever happens, the pages finished so far are shown.
    const auto attach = [&] {
        for (std::size_t index = 0; index < drawn.size(); ++index) {
            PictureControl *picture = &firstPicture;
            if (index > 0) {
                picture = owner.CreatePicture();
                ImageList.push_back(picture);
            }
            picture->SetBounds(pages[index].bounds);
            picture->SetPicture(std::move(drawn[index]));
        }
    };
    try {
        if (options.watch)
            options.watch(progress, drawAll);
        else
            drawAll();
    } catch (...) {
        attach();
        throw;
    }
    attach();

    // The generator ends where drawing it all in one go would leave it.
    RandSeed = AdvanceSeed(pages.back().noiseSeed, job.NoiseSteps(Wrap::Sub(pages.back().bounds.Bottom,
                                                                            pages.back().bounds.Top)));
}
