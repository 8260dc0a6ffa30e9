// lumo-render end to end on a generated 1 MB text (937 pages of 308 x 400
// or so, Arial 8 pt, jitter 2, noise 5, seed 1), for every output format,
// with --jobs 1 and with the default: wall time and peak memory of the
// process. Several builds can be compared in one run. Every round runs each
// output with each build in turn, so that whatever else the machine does
// falls on all of them alike; with png and png+gt both measured, it also
// prints what the ground truth costs, as the median of its time over the
// plain PNG time of the same round. Prints figures; asserts nothing.
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
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
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

// On ext4, a folder made inside a "top" folder goes to a part of the disk
// of its own, as if made at the root, away from where earlier benchmarks
// deleted their files; what is made inside it stays near it. ext4 without
// a journal passes over the inodes freed in the last minutes for every
// file it creates: with the ground truth, a run beside 30,000 files just
// deleted took 1.28 to 1.68 s, elsewhere 1.16 to 1.18 s.
void spreadFolders(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    int flags = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
        flags |= FS_TOPDIR_FL;
        ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
    }
    ::close(fd);
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
    spreadFolders(scratch.path());
    // ext4 picks the part of the disk from the folder's name: a name of its
    // own for each benchmark, or each would land where the last one was.
    const QString runs =
        scratch.filePath(QStringLiteral("runs-%1").arg(QRandomGenerator::system()->generate(), 8, 16, QLatin1Char('0')));
    QDir().mkpath(runs);
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

    struct Case
    {
        QString output;
        QString label;
        bool truth = false;
        bool oneJob = false;
        // For each build: the time of each round, its largest peak, the
        // files it left; or skipped, when the build lacks an option.
        std::vector<std::vector<double>> times;
        std::vector<long> peaks;
        std::vector<qsizetype> files;
        std::vector<bool> skipped;
    };
    std::vector<Case> cases;
    // The last two: PNG again, then with the ground truth and box files.
    const QStringList outputs{QString(), QStringLiteral("out.jpg"), QStringLiteral("out.bmp"),
                              QStringLiteral("out.png"), QStringLiteral("out.pdf"), QStringLiteral("truth.png")};
    const auto builds = static_cast<std::size_t>(binaries.size());
    for (const QString &output : outputs) {
        const bool truth = output.startsWith(QLatin1String("truth"));
        const QString label = output.isEmpty() ? QStringLiteral("none") : truth ? QStringLiteral("png+gt") : output.mid(4);
        if (!wanted.isEmpty() && !wanted.contains(label))
            continue;
        for (const bool oneJob : {true, false})
            cases.push_back({output, label, truth, oneJob, std::vector<std::vector<double>>(builds),
                             std::vector<long>(builds, 0), std::vector<qsizetype>(builds, 0),
                             std::vector<bool>(builds, false)});
    }

    int run = 0;
    for (int round = 0; round < rounds; ++round) {
        for (Case &measured : cases) {
            for (std::size_t b = 0; b < builds; ++b) {
                const QString &binary = binaries[static_cast<qsizetype>(b)];
                const bool jobs = knowsOption(binary, "--jobs");
                // A build without --jobs runs on one thread anyway.
                if ((!jobs && !measured.oneJob) || (measured.truth && !knowsOption(binary, "--ground-truth"))) {
                    measured.skipped[b] = true;
                    continue;
                }
                // Each run writes into a folder of its own, all removed at the
                // end: files deleted between runs make ext4 skip their inodes
                // for a while, and every file created then costs more.
                const QString folder = runs + u'/' + QString::number(++run);
                QDir().mkpath(folder);
                QStringList arguments{"--quiet", "--seed", "1", "--jitter-x", "2", "--jitter-y", "2", "--noise", "5"};
                if (jobs && measured.oneJob)
                    arguments << QStringLiteral("--jobs") << QStringLiteral("1");
                if (measured.truth)
                    arguments << QStringLiteral("--ground-truth") << QStringLiteral("truth.jsonl")
                              << QStringLiteral("--boxes");
                arguments << textPath;
                if (!measured.output.isEmpty())
                    arguments << measured.output;
                // Every run starts with nothing of the last one still to be
                // written to the disk.
                ::sync();
                const ChildRun child = RunChild(binary, arguments, folder);
                if (child.status != 0) {
                    out << binary << " failed\n";
                    return 1;
                }
                measured.times[b].push_back(child.seconds);
                measured.peaks[b] = std::max(measured.peaks[b], child.peakMiB);
                measured.files[b] = QDir(folder).entryList(QDir::Files).size();
            }
        }
    }

    for (const Case &measured : cases) {
        for (std::size_t b = 0; b < builds; ++b) {
            if (measured.skipped[b])
                continue;
            out << QStringLiteral("%1 %2 %3 %4 %5 %6\n")
                       .arg(QStringLiteral("#%1").arg(b + 1), -6)
                       .arg(measured.label, -7)
                       .arg(measured.oneJob ? QStringLiteral("1") : QStringLiteral("default"), 7)
                       .arg(median(measured.times[b]), 8, 'f', 3)
                       .arg(measured.peaks[b], 9)
                       .arg(measured.files[b], 6);
        }
    }
    // The ground truth's time over the plain PNG time, round by round.
    for (const Case &truth : cases) {
        if (!truth.truth)
            continue;
        for (const Case &plain : cases) {
            if (plain.label != QLatin1String("png") || plain.oneJob != truth.oneJob)
                continue;
            for (std::size_t b = 0; b < builds; ++b) {
                if (truth.skipped[b] || plain.skipped[b])
                    continue;
                std::vector<double> ratios;
                for (std::size_t r = 0; r < truth.times[b].size(); ++r)
                    ratios.push_back(truth.times[b][r] / plain.times[b][r]);
                out << QStringLiteral("#%1 ground truth costs %2 times the time, jobs %3\n")
                           .arg(b + 1)
                           .arg(median(ratios), 0, 'f', 2)
                           .arg(truth.oneJob ? QStringLiteral("1") : QStringLiteral("default"));
            }
        }
    }
    for (qsizetype b = 0; b < binaries.size(); ++b)
        out << QStringLiteral("#%1 %2\n").arg(b + 1).arg(binaries[b]);
    return 0;
}
