// Converts a generated 1 MB text (words and CR LF lines) into 308 x 400
// pages in 8 pt Arial with jitter 2 and noise 5: in page mode as the windows
// keep the pages, drawn without keeping them as lumo-render does without an
// OUTPUT, in one-picture mode, and with the plain per-character drawing for
// comparison. Each mode runs in its own process so its peak memory is
// its own. Prints figures; asserts nothing.

#include "BenchText.h"
#include "ConvertText.h"
#include "OrderedWork.h"
#include "PageDrawing.h"
#include "PageLayout.h"
#include "PixelBuffer.h"
#include "RenderJob.h"
#include "PictureStack.h"
#include "PlainReference.h"
#include "RenderSettings.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMap>
#include <QProcess>
#include <QTextStream>
#include <sys/resource.h>

namespace {

void useBenchSettings()
{
    ResetRenderSettings();
    SetupFont->SetName(QStringLiteral("Arial"));
    SetupFont->SetSize(8);
    SetupFont->SetColor(clBlack);
    SetupFont->SetCharset(0);
    HoVar = 2;
    VeVar = 2;
    Rausch = 5;
}

long peakMemoryMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Run
{
    double seconds = 0;
    double cpu = 0;
    qsizetype pictures = 0;
    qint64 height = 0;
};

Run convertOnce(const QString &mode, const QByteArray &text, PictureStack &stack)
{
    Run run;
    QElapsedTimer timer;
    const double cpuBefore = cpuSeconds();
    timer.start();
    if (mode == QLatin1String("plain")) {
        const auto pages = PlainConvert(text, 308, 400, false, 1);
        run.pictures = static_cast<qsizetype>(pages.size());
        run.height = pages.back().top + pages.back().image.height();
    } else if (mode == QLatin1String("stream")) {
        // What lumo-render does without an OUTPUT: every page drawn and
        // noised on the workers, none kept.
        PictureControl first;
        first.SetBounds(0, 0, 308, 400);
        const RenderValues values = CurrentRenderValues();
        const CharacterText characters = CharacterText::FromBytes(text, CharsetTable(values.font.Charset()));
        const RenderJob job = RenderJob::From(characters, values, first.BoundsRect(), false, 1);
        const std::vector<PagePlan> pages = PlanPages(characters, job);
        const int jobs = DefaultJobs();
        std::vector<PixelBuffer> buffers(static_cast<std::size_t>(jobs));
        RunInOrder<int>(
            pages.size(), jobs, 2 * static_cast<std::size_t>(jobs),
            [&](std::size_t index, int worker) {
                DrawPage(characters, job, pages[index], static_cast<std::int64_t>(index),
                         buffers[static_cast<std::size_t>(worker)]);
                return 0;
            },
            [](std::size_t, int &&) { return true; });
        run.pictures = static_cast<qsizetype>(pages.size());
        run.height = pages.back().bounds.Bottom;
    } else {
        stack.First().ClearPicture();
        stack.First().SetBounds(0, 0, 308, 400);
        ConvertText(text, stack.First(), stack, mode == QLatin1String("one"), {.seed = 1});
        run.pictures = static_cast<qsizetype>(ImageList.size());
        run.height = ImageList.back()->Top() + ImageList.back()->Height();
    }
    run.seconds = timer.nsecsElapsed() / 1e9;
    run.cpu = cpuSeconds() - cpuBefore;
    return run;
}

// Prints: mode, then wall and CPU seconds of the first conversion (fresh
// memory from the system), of a second one in the same process, pictures,
// total height and peak memory.
int runMode(const QString &mode, qsizetype bytes)
{
    useBenchSettings();
    const QByteArray text = BenchText(bytes);
    PictureStack stack;
    const Run first = convertOnce(mode, text, stack);
    const Run second = convertOnce(mode, text, stack);
    QTextStream(stdout) << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8\n")
                               .arg(mode)
                               .arg(first.seconds, 0, 'f', 4)
                               .arg(first.cpu, 0, 'f', 4)
                               .arg(second.seconds, 0, 'f', 4)
                               .arg(second.cpu, 0, 'f', 4)
                               .arg(first.pictures)
                               .arg(first.height)
                               .arg(peakMemoryMiB());
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    const qsizetype bytes = 1 << 20;
    if (args.size() > 1)
        return runMode(args.at(1), args.size() > 2 ? args.at(2).toLongLong() : bytes);

    QTextStream out(stdout);
    out << "Converting " << bytes << " bytes into 308 x 400 pages, Arial 8 pt, jitter 2, noise 5\n"
        << "first: fresh memory from the system; again: a second conversion in the same process\n";
    out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8\n")
               .arg(QStringLiteral("mode"), -6)
               .arg(QStringLiteral("first s"), 8)
               .arg(QStringLiteral("cpu s"), 7)
               .arg(QStringLiteral("again s"), 8)
               .arg(QStringLiteral("chars/s again"), 14)
               .arg(QStringLiteral("pictures"), 9)
               .arg(QStringLiteral("height"), 8)
               .arg(QStringLiteral("peak MiB"), 9);
    out.flush();
    QMap<QString, QStringList> results;
    for (const QString &mode :
         {QStringLiteral("pages"), QStringLiteral("stream"), QStringLiteral("one"), QStringLiteral("plain")}) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {mode, QString::number(bytes)});
        child.waitForFinished(-1);
        const QStringList fields = QString::fromLatin1(child.readAllStandardOutput()).trimmed().split(QLatin1Char(' '));
        if (fields.size() < 8) {
            out << mode << ": failed\n";
            continue;
        }
        results[mode] = fields;
        out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8\n")
                   .arg(mode, -6)
                   .arg(fields[1].toDouble(), 8, 'f', 3)
                   .arg(fields[2].toDouble(), 7, 'f', 3)
                   .arg(fields[3].toDouble(), 8, 'f', 3)
                   .arg(bytes / fields[3].toDouble(), 14, 'f', 0)
                   .arg(fields[5], 9)
                   .arg(fields[6], 8)
                   .arg(fields[7], 9);
        out.flush();
    }
    auto ratio = [&](const QString &a, const QString &b, int field) {
        return results[a].value(field).toDouble() / results[b].value(field).toDouble();
    };
    if (results.contains(QStringLiteral("pages")) && results.contains(QStringLiteral("plain")))
        out << QStringLiteral("page mode's speed over the plain drawing's: %1 (first), %2 (again)\n")
                   .arg(ratio(QStringLiteral("plain"), QStringLiteral("pages"), 1), 0, 'f', 1)
                   .arg(ratio(QStringLiteral("plain"), QStringLiteral("pages"), 3), 0, 'f', 1);
    if (results.contains(QStringLiteral("stream")) && results.contains(QStringLiteral("plain")))
        out << QStringLiteral("drawing the pages without keeping them, over the plain drawing: %1 (first), %2 (again)\n")
                   .arg(ratio(QStringLiteral("plain"), QStringLiteral("stream"), 1), 0, 'f', 1)
                   .arg(ratio(QStringLiteral("plain"), QStringLiteral("stream"), 3), 0, 'f', 1);
    if (results.contains(QStringLiteral("pages")) && results.contains(QStringLiteral("one")))
        out << QStringLiteral("one picture's time over page mode's: %1 (first), %2 (again)\n")
                   .arg(ratio(QStringLiteral("one"), QStringLiteral("pages"), 1), 0, 'f', 2)
                   .arg(ratio(QStringLiteral("one"), QStringLiteral("pages"), 3), 0, 'f', 2);
    return 0;
}
