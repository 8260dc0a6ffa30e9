// Converts a generated 1 MB text (words and CR LF lines) into 308 x 400
// pages in 8 pt Arial with jitter 2 and noise 5, in page mode and in
// one-picture mode, and the same text with the plain per-character drawing
// for comparison. Each mode runs in its own process so its peak memory is
// its own. Prints figures; asserts nothing.

#include "ConvertText.h"
#include "PictureStack.h"
#include "PlainReference.h"
#include "RenderSettings.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QTextStream>
#include <sys/resource.h>

namespace {

QByteArray generatedText(qsizetype bytes)
{
    static const char *const words[] = {"lorem", "ipsum", "dolor", "sit", "amet", "consectetur", "adipiscing",
                                        "elit", "sed", "do", "eiusmod", "tempor", "incididunt", "ut", "labore",
                                        "et", "dolore", "magna", "aliqua", "Lumo", "zeichnet", "Text"};
    QByteArray text;
    text.reserve(bytes + 64);
    quint32 state = 12345;
    int lineLength = 0;
    while (text.size() < bytes) {
        state = state * 1103515245u + 12345u;
        text.append(words[(state >> 16) % std::size(words)]);
        lineLength += 6;
        if (lineLength > 60 + int((state >> 8) % 20)) {
            text.append("\r\n");
            lineLength = 0;
        } else {
            text.append(' ');
        }
    }
    text.truncate(bytes);
    return text;
}

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

int runMode(const QString &mode, qsizetype bytes)
{
    useBenchSettings();
    const QByteArray text = generatedText(bytes);
    QElapsedTimer timer;
    qsizetype pictures = 0;
    qint64 height = 0;
    if (mode == QLatin1String("plain")) {
        timer.start();
        const auto pages = PlainConvert(text, 308, 400, false, 1);
        pictures = static_cast<qsizetype>(pages.size());
        height = pages.back().top + pages.back().image.height();
    } else {
        PictureStack stack;
        stack.First().SetBounds(0, 0, 308, 400);
        timer.start();
        ConvertText(text, stack.First(), stack, mode == QLatin1String("one"), {.seed = 1});
        pictures = static_cast<qsizetype>(ImageList.size());
        height = ImageList.back()->Top() + ImageList.back()->Height();
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    QTextStream(stdout) << QStringLiteral("%1 %2 %3 %4 %5\n")
                               .arg(mode)
                               .arg(seconds, 0, 'f', 4)
                               .arg(pictures)
                               .arg(height)
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
    out << "Converting " << bytes << " bytes into 308 x 400 pages, Arial 8 pt, jitter 2, noise 5\n";
    out << QStringLiteral("%1 %2 %3 %4 %5 %6\n")
               .arg(QStringLiteral("mode"), -8)
               .arg(QStringLiteral("seconds"), 9)
               .arg(QStringLiteral("chars/s"), 13)
               .arg(QStringLiteral("pictures"), 9)
               .arg(QStringLiteral("height"), 9)
               .arg(QStringLiteral("peak MiB"), 9);
    out.flush();
    double pageSeconds = 0;
    double plainSeconds = 0;
    double oneSeconds = 0;
    for (const QString mode : {QStringLiteral("pages"), QStringLiteral("one"), QStringLiteral("plain")}) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {mode, QString::number(bytes)});
        child.waitForFinished(-1);
        const QStringList fields = QString::fromLatin1(child.readAllStandardOutput()).split(QLatin1Char(' '));
        if (fields.size() < 5) {
            out << mode << ": failed\n";
            continue;
        }
        const double seconds = fields[1].toDouble();
        (mode == QLatin1String("pages") ? pageSeconds : mode == QLatin1String("one") ? oneSeconds : plainSeconds) =
            seconds;
        out << QStringLiteral("%1 %2 %3 %4 %5 %6\n")
                   .arg(mode, -8)
                   .arg(seconds, 9, 'f', 3)
                   .arg(bytes / seconds, 13, 'f', 0)
                   .arg(fields[2], 9)
                   .arg(fields[3], 9)
                   .arg(fields[4].trimmed(), 9);
        out.flush();
    }
    if (pageSeconds > 0 && plainSeconds > 0)
        out << QStringLiteral("page mode is %1 times the plain drawing's speed\n").arg(plainSeconds / pageSeconds, 0, 'f', 1);
    if (pageSeconds > 0 && oneSeconds > 0)
        out << QStringLiteral("one picture takes %1 times page mode's time\n").arg(oneSeconds / pageSeconds, 0, 'f', 2);
    return 0;
}
