#include "RenderCommand.h"

#include "CodePage.h"
#include "ConvertText.h"
#include "LumoError.h"
#include "PageStream.h"
#include "RenderOptions.h"
#include "RenderSettings.h"
#include "SetupStore.h"
#include "TextFile.h"
#include "WrapInt.h"
#include "WholeFile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <cerrno>
#include <optional>
#include <cstdio>
#include <cstring>
#include <new>
#include <unistd.h>

#ifndef LUMO_VERSION
#define LUMO_VERSION "unknown"
#endif

namespace {

void writeText(FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
}

QtMessageHandler qtMessageHandler = nullptr;

// Standard error carries this command's own messages only; Qt's remarks on
// the environment (no runtime folder, no font of some name) would break that.
void dropQtRemarks(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if ((type == QtCriticalMsg || type == QtFatalMsg) && qtMessageHandler)
        qtMessageHandler(type, context, message);
}

QByteArray readStandardInput()
{
    QFile input;
    if (!input.open(STDIN_FILENO, QIODevice::ReadOnly))
        throw CannotOpenError(QStringLiteral("/dev/stdin"), input.errorString());
    return ReadTextBytes(input);
}

QByteArray readText(const QString &input)
{
    if (input == u"-")
        return TextFileLines(readStandardInput());
    return ReadTextFileLines(input);
}

void applyOverrides(const RenderOptions &options)
{
    if (options.fontName)
        SetupFont->SetName(*options.fontName);
    if (options.fontSize)
        SetupFont->SetSize(*options.fontSize);
    if (options.fontStyle)
        SetupFont->SetStyle(*options.fontStyle);
    if (options.fontColor)
        SetupFont->SetColor(*options.fontColor);
    if (options.charset)
        SetupFont->SetCharset(*options.charset);
    if (options.background)
        BGColor = *options.background;
    if (options.jitterX)
        HoVar = *options.jitterX;
    if (options.jitterY)
        VeVar = *options.jitterY;
    if (options.noise)
        Rausch = *options.noise;
}

QString geometry(const LumoRect &bounds)
{
    return QStringLiteral("%1x%2+%3+%4")
        .arg(Wrap::Sub(bounds.Right, bounds.Left))
        .arg(Wrap::Sub(bounds.Bottom, bounds.Top))
        .arg(bounds.Left)
        .arg(bounds.Top);
}

// Progress on a terminal, once a rendering has run for a second: shorter
// ones stay silent, and a redirected standard error never gets it.
class ProgressLine
{
public:
    ProgressLine() : m_enabled(isatty(STDERR_FILENO) == 1) { m_clock.start(); }
    ~ProgressLine() { Erase(); }
    ProgressLine(const ProgressLine &) = delete;
    ProgressLine &operator=(const ProgressLine &) = delete;

    void Report(std::size_t done, std::size_t total)
    {
        if (!m_enabled || m_clock.elapsed() < 1000)
            return;
        writeText(stderr, QStringLiteral("\rlumo-render: %1 of %2 pictures").arg(done).arg(total));
        std::fflush(stderr);
        m_shown = true;
    }

    // Takes the line away before anything else is printed on the terminal;
    // the next report draws it again.
    void Erase()
    {
        if (m_shown)
            writeText(stderr, QStringLiteral("\r\x1b[K"));
        m_shown = false;
    }

private:
    bool m_enabled;
    bool m_shown = false;
    QElapsedTimer m_clock;
};

void render(const RenderOptions &options)
{
    const QByteArray text = readText(options.input);
    PictureControl first;
    first.SetBounds(0, 0, options.pageWidth, options.pageHeight);
    const std::uint32_t seed = options.seed ? *options.seed : ClockSeed();

    // The manifest is made first: a name where it cannot go stops the
    // rendering before any picture is written.
    std::optional<WholeFileWriter> manifest;
    if (options.groundTruth)
        manifest.emplace(*options.groundTruth);

    ProgressLine progress;
    // Each line as soon as its file is complete, so that the pictures
    // written before a failure are reported too.
    const auto report = [&](const QString &name, const LumoRect &bounds) {
        progress.Erase();
        if (!options.quiet)
            writeText(stdout, name + u' ' + geometry(bounds) + u'\n');
    };
    const auto keepManifest = [&manifest] {
        if (manifest)
            manifest->Commit();
    };
    const int variants = options.variants.value_or(1);
    try {
        for (int variant = 0; variant < variants; ++variant) {
            StreamExtras extras;
            extras.manifest = manifest ? &*manifest : nullptr;
            extras.version = QStringLiteral(LUMO_VERSION);
            // Seeds follow each other, wrapping around at 2^32.
            const std::uint32_t variantSeed = seed + static_cast<std::uint32_t>(variant);
            if (options.variants)
                extras.variantSeed = variantSeed;
            const RenderJob job = RenderJob::FromSettings(text, first, options.onePicture, variantSeed);
            StreamPages(text, job, options, extras, report,
                        [&progress](std::size_t done, std::size_t total) { progress.Report(done, total); });
        }
    } catch (...) {
        // The manifest tells of the pictures that were written.
        try {
            keepManifest();
        } catch (const LumoError &) {
        }
        throw;
    }
    keepManifest();
}

void run(const RenderOptions &options)
{
    const bool rendering = !options.input.isNull();
    // Listing and deleting don't need the settings, so a setup that cannot
    // be loaded doesn't stand in their way.
    if (rendering || options.saveSetup) {
        LoadSetup(ToCp1252(options.setupName), options.settingsPath);
        applyOverrides(options);
    }
    if (options.saveSetup)
        SaveSetup(ToCp1252(*options.saveSetup), options.settingsPath);
    if (options.deleteSetup)
        EraseSetup(ToCp1252(*options.deleteSetup), options.settingsPath);
    if (options.listSetups) {
        QString names;
        for (const QByteArray &name : ListSetups(options.settingsPath))
            names += FromCp1252(name) + u'\n';
        writeText(stdout, names);
    }
    if (rendering)
        render(options);
}

} // namespace

int RunLumoRender(int argc, char *argv[])
{
    qtMessageHandler = qInstallMessageHandler(dropQtRemarks);
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));

    RenderOptions options;
    try {
        options = ParseRenderOptions(arguments);
    } catch (const UsageError &error) {
        writeText(stderr, error.message() + u'\n');
        return 2;
    }
    if (options.help) {
        writeText(stdout, RenderUsageText());
        return 0;
    }
    if (options.version) {
        writeText(stdout, QStringLiteral("lumo-render %1\n").arg(QLatin1StringView(LUMO_VERSION)));
        return 0;
    }

    // No window is ever shown: the offscreen platform works everywhere (also
    // with a display variable left over from elsewhere), and fonts are
    // measured at the same 96 dpi on every machine, so a seed gives the same
    // pictures anywhere. QT_QPA_PLATFORM set by the user still wins.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Fonts need the application object. It sees only the program name, so
    // that Qt's own options (-platform, -reverse, ...) can't take arguments
    // meant for this command.
    int appArgc = 1;
    char *appArgv[] = {argv[0], nullptr};
    QGuiApplication app(appArgc, appArgv);

    try {
        run(options);
    } catch (const LumoError &error) {
        writeText(stderr, error.message() + u'\n');
        return 1;
    } catch (const std::bad_alloc &) {
        writeText(stderr, QStringLiteral("lumo-render: %1\n").arg(LumoMessages::OutOfMemory()));
        return 1;
    } catch (const std::exception &error) {
        writeText(stderr, QStringLiteral("lumo-render: %1\n").arg(QString::fromLocal8Bit(error.what())));
        return 1;
    }
    // A script reading the lines must learn when they did not arrive.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        writeText(stderr, QStringLiteral("lumo-render: standard output: %1\n").arg(QString::fromLocal8Bit(std::strerror(errno))));
        return 1;
    }
    return 0;
}
