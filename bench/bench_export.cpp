// Times saving 100 pages of 308 x 400 as JPEG, BMP and PNG files, and the
// JPEG encoder alone, and prints megapixels per second. Pages with and without
// noise are timed apart: noise is what makes JPEG and PNG files large.

#include "ConvertText.h"
#include "JpegWriter.h"
#include "PictureExport.h"
#include "PictureStack.h"
#include "RenderSettings.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr std::size_t Pages = 100;
constexpr int Runs = 3;

QByteArray LongText()
{
    QByteArray text;
    for (int i = 0; i < 1600; ++i)
        text += "Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod " + QByteArray::number(i)
                + "\r\n";
    return text;
}

double Megapixels(const std::vector<PictureControl *> &pictures)
{
    double pixels = 0;
    for (const PictureControl *picture : pictures)
        pixels += static_cast<double>(picture->BitmapWidth()) * picture->BitmapHeight();
    return pixels / 1e6;
}

qint64 DiskBytes(const std::vector<QString> &names)
{
    qint64 bytes = 0;
    for (const QString &name : names)
        bytes += QFileInfo(name).size();
    return bytes;
}

// The best of a few runs: the machine is shared, and the best run is the
// one least disturbed by others.
void TimeSave(const char *label, const std::vector<PictureControl *> &pictures, PictureFormat format,
              const QString &folder)
{
    const double megapixels = Megapixels(pictures);
    double best = 1e300;
    qint64 bytes = 0;
    for (int run = 0; run < Runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        const std::vector<QString> names = SavePictures(pictures, folder + QStringLiteral("/page"), format);
        best = std::min(best, timer.nsecsElapsed() / 1e9);
        bytes = DiskBytes(names);
    }
    std::printf("  save %-4s %8.1f MP/s  (%6.1f ms for %zu pages, %.1f MB on disk)\n", label, megapixels / best,
                best * 1e3, pictures.size(), bytes / 1e6);
}

void TimeJpegEncoder(const std::vector<PictureControl *> &pictures)
{
    const double megapixels = Megapixels(pictures);
    double best = 1e300;
    for (int run = 0; run < Runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        JpegWriter writer;
        for (const PictureControl *picture : pictures)
            if (!writer.Encode(picture->Picture()))
                std::printf("  encoder failed: %s\n", qPrintable(writer.ErrorString()));
        best = std::min(best, timer.nsecsElapsed() / 1e9);
    }
    std::printf("  encode JPEG in memory %8.1f MP/s\n", megapixels / best);
}

void TimeAll(const char *title, const QString &folder)
{
    PictureStack stack;
    stack.First().SetBounds(0, 0, 308, 400);
    ConvertText(LongText(), stack.First(), stack, false, {.seed = 1});
    if (ImageList.size() < Pages) {
        std::printf("%s: only %zu pages\n", title, ImageList.size());
        return;
    }
    const std::vector<PictureControl *> pictures(ImageList.begin(), ImageList.begin() + Pages);
    std::printf("%s: %zu pages of %d x %d\n", title, pictures.size(), pictures.front()->BitmapWidth(),
                pictures.front()->BitmapHeight());
    TimeJpegEncoder(pictures);
    TimeSave("JPEG", pictures, PictureFormat::Jpeg, folder);
    TimeSave("BMP", pictures, PictureFormat::Bmp, folder);
    TimeSave("PNG", pictures, PictureFormat::Png, folder);
}

} // namespace

int main(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QTemporaryDir folder;
    if (!folder.isValid()) {
        std::printf("no temporary folder\n");
        return 1;
    }
    ResetRenderSettings();
    TimeAll("text, no noise", folder.path());
    Rausch = 30;
    TimeAll("text, noise 30", folder.path());
    return 0;
}
