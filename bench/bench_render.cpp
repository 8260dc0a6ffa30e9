// lumo-render end to end on a generated 1 MB text (854 pages of 308 x 400
// or so, Arial 8 pt, jitter 2, noise 5, seed 1), for every output format,
// with --jobs 1 and with the default: wall time and peak memory of the
// process. Several builds can be compared in one run: their runs alternate,
// so that whatever else the machine does falls on all of them alike.
// Prints figures; asserts nothing.
//
//   bench_render [--rounds N] [--outputs none,jpg,bmp,png,pdf,png+gt] [LUMO-RENDER ...]
//
// Without a binary it measures the lumo-render built beside it; without
// --outputs, every output.

#include "BenchText.h"
#include "ChildRun.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace {

bool knowsOption(const QString &program, const QByteArray &option)
{
    QProcess help;
    help.start(program, {QStringLiteral("--help")});
    help.waitForFinished(-1);
    return help.readAllStandardOutput().contains(option);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    int rounds = 3;
    QStringList wanted;
    while (args.size() >= 2 && args.front().startsWith(QLatin1String("--"))) {
        if (args.front() == QLatin1String("--rounds"))
            rounds = std::max(1, args.at(1).toInt());
        else if (args.front() == QLatin1String("--outputs"))
            wanted = args.at(1).split(u',');
        else
            break;
        args = args.mid(2);
    }
    QStringList binaries = args;
    if (binaries.isEmpty())
        binaries << QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../cli/lumo-render"));

    QTemporaryDir scratch;
    const QString textPath = scratch.filePath(QStringLiteral("text.txt"));
    QFile text(textPath);
    if (!text.open(QIODevice::WriteOnly) || text.write(BenchText(1 << 20)) != (1 << 20))
        return 1;
    text.close();

    QTextStream out(stdout);
    out << "lumo-render on 1 MiB of text, 308 x 400 pages, Arial 8 pt, jitter 2, noise 5, seed 1; " << rounds
        << " rounds, median wall time and the largest peak memory\n";
    out << QStringLiteral("%1 %2 %3 %4 %5 %6\n")
               .arg(QStringLiteral("build"), -6)
               .arg(QStringLiteral("output"), -7)
               .arg(QStringLiteral("jobs"), 7)
               .arg(QStringLiteral("seconds"), 8)
               .arg(QStringLiteral("peak MiB"), 9)
               .arg(QStringLiteral("files"), 6);
    out.flush();

    int run = 0;
    // The last two: PNG again, then with the ground truth and box files.
    const QStringList outputs{QString(), QStringLiteral("out.jpg"), QStringLiteral("out.bmp"),
                              QStringLiteral("out.png"), QStringLiteral("out.pdf"), QStringLiteral("truth.png")};
    for (const QString &output : outputs) {
        const bool truth = output.startsWith(QLatin1String("truth"));
        const QString label = output.isEmpty() ? QStringLiteral("none") : truth ? QStringLiteral("png+gt") : output.mid(4);
        if (!wanted.isEmpty() && !wanted.contains(label))
            continue;
        for (const bool oneJob : {true, false}) {
            std::vector<std::vector<double>> times(static_cast<std::size_t>(binaries.size()));
            std::vector<long> peaks(static_cast<std::size_t>(binaries.size()), 0);
            std::vector<qsizetype> files(static_cast<std::size_t>(binaries.size()), 0);
            std::vector<bool> skipped(static_cast<std::size_t>(binaries.size()), false);
            for (int round = 0; round < rounds; ++round) {
                for (qsizetype b = 0; b < binaries.size(); ++b) {
                    const auto index = static_cast<std::size_t>(b);
                    const bool jobs = knowsOption(binaries[b], "--jobs");
                    // A build without --jobs runs on one thread anyway.
                    if ((!jobs && !oneJob) || (truth && !knowsOption(binaries[b], "--ground-truth"))) {
                        skipped[index] = true;
                        continue;
                    }
                    // Each run writes into a folder of its own, all removed at the
                    // end: files deleted between runs make ext4 skip their inodes
                    // for a while, and every file created then costs more.
                    const QString folder = scratch.filePath(QString::number(++run));
                    QDir().mkpath(folder);
                    QStringList arguments{"--quiet", "--seed", "1", "--jitter-x", "2", "--jitter-y", "2", "--noise",
                                          "5"};
                    if (jobs && oneJob)
                        arguments << QStringLiteral("--jobs") << QStringLiteral("1");
                    if (truth)
                        arguments << QStringLiteral("--ground-truth") << QStringLiteral("truth.jsonl")
                                  << QStringLiteral("--boxes");
                    arguments << textPath;
                    if (!output.isEmpty())
                        arguments << output;
                    // Every run starts with nothing of the last one still to
                    // be written to the disk.
                    ::sync();
                    const ChildRun measure = RunChild(binaries[b], arguments, folder);
                    if (measure.status != 0) {
                        out << binaries[b] << " failed\n";
                        return 1;
                    }
                    times[index].push_back(measure.seconds);
                    peaks[index] = std::max(peaks[index], measure.peakMiB);
                    files[index] = QDir(folder).entryList(QDir::Files).size();
                }
            }
            for (qsizetype b = 0; b < binaries.size(); ++b) {
                const auto index = static_cast<std::size_t>(b);
                if (skipped[index])
                    continue;
                out << QStringLiteral("%1 %2 %3 %4 %5 %6\n")
                           .arg(QStringLiteral("#%1").arg(b + 1), -6)
                           .arg(label, -7)
                           .arg(oneJob ? QStringLiteral("1") : QStringLiteral("default"), 7)
                           .arg(median(times[index]), 8, 'f', 3)
                           .arg(peaks[index], 9)
                           .arg(files[index], 6);
            }
            out.flush();
        }
    }
    for (qsizetype b = 0; b < binaries.size(); ++b)
        out << QStringLiteral("#%1 %2\n").arg(b + 1).arg(binaries[b]);
    return 0;
}
