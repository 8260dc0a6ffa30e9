#include "RenderCommand.h"

#include "CodePage.h"
#include "FontChoice.h"
#include "Interruption.h"
#include "Looks.h"
#include "LumoError.h"
#include "OutputCheck.h"
#include "PageLayout.h"
#include "PageStream.h"
#include "RenderOptions.h"
#include "SampleShards.h"
#include "SetupStore.h"
#include "TextInput.h"
#include "WrapInt.h"
#include "WholeFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImageReader>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
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

// The setup's values with the options' overrides.
RenderValues settingsOf(const RenderOptions &options)
{
    RenderValues values;
    ReadSetup(ToCp1252(options.setupName), values, options.settingsPath);
    FontObject &font = values.font;
    if (options.fontName)
        font.SetName(*options.fontName);
    if (options.fontSize)
        font.SetSize(*options.fontSize);
    if (options.fontStyle)
        font.SetStyle(*options.fontStyle);
    if (options.fontColor)
        font.SetColor(*options.fontColor);
    if (options.charset)
        font.SetCharset(*options.charset);
    if (options.background)
        values.background = *options.background;
    if (options.jitterX)
        values.hoVar = *options.jitterX;
    if (options.jitterY)
        values.veVar = *options.jitterY;
    if (options.noise)
        values.rausch = *options.noise;
    return values;
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

// A rendering decided: its text, the fonts it draws with, the first
// variant's job and pages, and every output checked.
struct Rendering
{
    RunText text;
    // The settings of each font (one without --fonts).
    std::vector<RenderValues> fonts;
    LumoRect first;
    bool onePicture = false;
    std::shared_ptr<const PaperScans> scans;
    RenderJob job;
    std::vector<PagePlan> pages;

    // The job of the picture with this seed: with its font, its look.
    RenderJob JobFor(const RenderOptions &options, std::uint32_t seed) const
    {
        return JobWith(options, FontFor(seed), seed);
    }
    RenderJob JobWith(const RenderOptions &options, std::size_t font, std::uint32_t seed) const
    {
        const RenderValues &values = fonts[font];
        RenderJob made;
        try {
            made = RenderJob::From(text.Codes(), values, first, onePicture, seed);
        } catch (const GlyphCellsTooLarge &error) {
            throw LumoError(QStringLiteral("lumo-render: '%1': %2").arg(options.input, error.message()));
        }
        made.look = options.look;
        made.page = options.page;
        made.page.scans = scans;
        return made;
    }
    std::size_t FontFor(std::uint32_t seed) const { return fonts.size() == 1 ? 0 : ChosenFont(seed, fonts.size()); }
};

// The settings of every font of the run: the one of the settings, or each
// of --fonts, which must be installed.
std::vector<RenderValues> fontsOf(const RenderOptions &options, const RenderValues &settings)
{
    const QRgb background = ColourToRgb(settings.background);
    if (options.fonts.isEmpty()) {
        if (const std::optional<QString> note = SubstitutionNote(*GlyphCache::For(settings.font, background), settings.font.Name()))
            writeText(stderr, *note + u'\n');
        return {settings};
    }
    std::vector<RenderValues> fonts;
    for (const QString &name : options.fonts) {
        RenderValues values = settings;
        values.font.SetName(name);
        if (SubstitutionNote(*GlyphCache::For(values.font, background), name))
            RefuseUsage(QStringLiteral("--fonts: there is no font '%1' on this system").arg(name));
        fonts.push_back(values);
    }
    return fonts;
}

// The pictures of the --paper-images folder that can be read, by name.
std::shared_ptr<const PaperScans> readPaperScans(const QString &folder)
{
    auto scans = std::make_shared<PaperScans>();
    for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::Readable, QDir::Name)) {
        QImageReader reader(QDir(folder).filePath(name));
        reader.setAutoTransform(true);
        const QImage picture = reader.read();
        if (picture.isNull())
            continue;
        scans->pictures.push_back(picture.convertToFormat(QImage::Format_RGB32));
        scans->names.push_back(name);
    }
    if (scans->pictures.empty())
        RefuseUsage(QStringLiteral("--paper-images: no picture in '%1' can be read").arg(folder));
    return scans;
}

Rendering prepare(const RenderOptions &options, const RenderValues &settings)
{
    Rendering rendering;
    if (options.paperImages)
        rendering.scans = readPaperScans(*options.paperImages);
    rendering.fonts = fontsOf(options, settings);
    rendering.first = {0, 0, options.pageWidth, options.pageHeight};
    rendering.onePicture = options.onePicture;
    rendering.text = ReadRunText(options, CharsetTable(settings.font.Charset()));
    // 8-bit text is drawn as the conversion always drew it, unless asked.
    // With several fonts, what one of them lacks is left out for all.
    if (!rendering.text.Codes().IsEightBit() || options.missingGlyphsGiven) {
        CharacterText &text = rendering.text.Held();
        for (const RenderValues &font : rendering.fonts) {
            std::optional<QString> note;
            GlyphCache &glyphs = *GlyphCache::For(font.font, ColourToRgb(font.background));
            text = ApplyMissingGlyphs(text, glyphs, options.missingGlyphs, font.font.Name(), note);
            if (note)
                writeText(stderr, *note + u'\n');
        }
    }
    const std::uint32_t seed = options.seed ? *options.seed : ClockSeed();
    rendering.job = rendering.JobFor(options, seed);
    rendering.pages = rendering.text.Plan(rendering.job);

    RunShape shape;
    if (options.variants) {
        shape.firstVariantSeed = seed;
        shape.variants = static_cast<std::size_t>(*options.variants);
    }
    // Where the pages break depends on the font, not on the seed.
    const auto layoutOf = [&](const RenderJob &job, const std::vector<PagePlan> &pages) {
        RunShape::Layout layout{pages.size(), {}};
        if (options.linesFolder) {
            for (const PagePlan &page : pages)
                layout.linesOfPage.push_back(CountLines(rendering.text.Page(page).View(), job, page));
        }
        return layout;
    };
    const RunShape::Layout first = layoutOf(rendering.job, rendering.pages);
    shape.pages = first.pages;
    shape.linesOfPage = first.linesOfPage;
    if (rendering.fonts.size() > 1) {
        for (std::size_t font = 0; font < rendering.fonts.size(); ++font) {
            const RenderJob job = rendering.JobWith(options, font, seed);
            const std::vector<PagePlan> pages = rendering.text.Plan(job);
            shape.fontLayouts.push_back(layoutOf(job, pages));
            CheckPictures(options, job, pages, OutputNames(options, pages.size(), shape.firstVariantSeed));
        }
        for (std::size_t variant = 0; variant < shape.variants; ++variant)
            shape.fontOfVariant.push_back(rendering.FontFor(seed + static_cast<std::uint32_t>(variant)));
    }
    CheckOutputs(options, shape);
    CheckPictures(options, rendering.job, rendering.pages,
                  OutputNames(options, shape.pages, shape.firstVariantSeed));
    return rendering;
}

void render(const RenderOptions &options, const Rendering &rendering)
{
    // The lines folder and the manifest are made first: a name where they
    // cannot go stops the rendering before any picture is written, and the
    // manifest may go into the lines folder.
    const bool sharded = options.outputKind == OutputKind::Shards;
    if (options.linesFolder && !sharded && !QDir().mkpath(*options.linesFolder))
        throw CannotCreateError(*options.linesFolder, QStringLiteral("The folder cannot be made"));
    std::optional<WholeFileWriter> manifest;
    if (options.groundTruth)
        manifest.emplace(*options.groundTruth);

    ProgressLine progress;
    std::size_t reported = 0;
    // Each line as soon as its file is complete, so that the pictures
    // written before a failure are reported too.
    const auto report = [&](const QString &name, const LumoRect &bounds) {
        progress.Erase();
        ++reported;
        if (!options.quiet)
            writeText(stdout, name + u' ' + geometry(bounds) + u'\n');
    };
    const InterruptionWatch interruptions;
    const int variants = options.variants.value_or(1);
    // The samples of a tar OUTPUT fill its shards across the variants.
    std::optional<SampleShards> shards;
    if (sharded) {
        const std::optional<std::uint32_t> firstSeed =
            options.variants ? std::optional<std::uint32_t>(rendering.job.seed) : std::nullopt;
        shards.emplace(ShardPrefix(options, firstSeed), *options.shardSize, manifest ? &*manifest : nullptr, report);
    }
    try {
        for (int variant = 0; variant < variants; ++variant) {
            StreamExtras extras;
            extras.manifest = manifest ? &*manifest : nullptr;
            extras.shards = shards ? &*shards : nullptr;
            extras.version = QStringLiteral(LUMO_VERSION);
            // Seeds follow each other, wrapping around at 2^32.
            const std::uint32_t seed = rendering.job.seed + static_cast<std::uint32_t>(variant);
            const std::size_t font = rendering.FontFor(seed);
            RenderJob job = variant == 0 ? rendering.job : rendering.JobFor(options, seed);
            extras.settings = SetupValues(rendering.fonts[font]);
            if (!options.fonts.isEmpty())
                extras.chosenFont = options.fonts[static_cast<qsizetype>(font)];
            if (options.variants)
                extras.variantSeed = job.seed;
            StreamPages(rendering.text, job, variant == 0 ? rendering.pages : rendering.text.Plan(job), options,
                        extras, report,
                        [&progress](std::size_t done, std::size_t total) { progress.Report(done, total); });
        }
        if (shards)
            shards->Finish();
    } catch (...) {
        progress.Erase();
        // The manifest tells of the pictures that were written; one that was
        // there before stays as it was when none was.
        if (manifest && reported > 0) {
            try {
                if (shards)
                    shards->Abandon();
                manifest->Commit();
            } catch (const LumoError &) {
            }
        }
        throw;
    }
    if (manifest)
        manifest->Commit();
}

// The font families that cover INPUT (read as UTF-8 unless an encoding is
// given), or all of them, one a line.
void listFonts(const RenderOptions &options)
{
    std::optional<CharacterText> text;
    if (!options.input.isNull())
        text = DecodeInput(options.input, options.encoding.value_or(TextEncoding{true, 0}), Cp1252Table());
    const QStringList families = FamiliesCovering(text ? &*text : nullptr);
    if (families.isEmpty())
        throw LumoError(QStringLiteral("lumo-render: no font has a glyph for every character of '%1'").arg(options.input));
    writeText(stdout, families.join(u'\n') + u'\n');
}

void run(const RenderOptions &options)
{
    if (options.listFonts) {
        listFonts(options);
        return;
    }
    const bool rendering = !options.input.isNull();
    // Listing and deleting don't need the settings, so a setup that cannot
    // be loaded doesn't stand in their way.
    std::optional<RenderValues> settings;
    if (rendering || options.saveSetup)
        settings = settingsOf(options);
    // Every output is checked before anything is written, the settings
    // file included.
    std::optional<Rendering> prepared;
    if (rendering)
        prepared = prepare(options, *settings);
    if (options.saveSetup)
        WriteSetup(ToCp1252(*options.saveSetup), *settings, options.settingsPath);
    if (options.deleteSetup)
        EraseSetup(ToCp1252(*options.deleteSetup), options.settingsPath);
    if (options.listSetups) {
        QString names;
        for (const QByteArray &name : ListSetups(options.settingsPath))
            names += FromCp1252(name) + u'\n';
        writeText(stdout, names);
    }
    if (prepared)
        render(options, *prepared);
}

// A script reading what was printed must learn when it did not arrive.
int flushStandardOutput()
{
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        writeText(stderr, QStringLiteral("lumo-render: standard output: %1\n").arg(QString::fromLocal8Bit(std::strerror(errno))));
        return 1;
    }
    return 0;
}

} // namespace

int RunLumoRender(int argc, char *argv[])
{
    NoteStandardInputState();
    // A reader of standard output that went away makes a write fail, which
    // is reported, instead of ending the process where it stands; while
    // pictures are written it stops the rendering like the other signals.
    std::signal(SIGPIPE, SIG_IGN);
    // A file that would grow past the size limit (ulimit -f) makes its
    // write fail, which is reported as a full disk is, instead of ending
    // the process; the spooled text then comes back into memory.
    std::signal(SIGXFSZ, SIG_IGN);
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
        return flushStandardOutput();
    }
    if (options.version) {
        writeText(stdout, QStringLiteral("lumo-render %1\n").arg(QLatin1StringView(LUMO_VERSION)));
        return flushStandardOutput();
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
    } catch (const UsageError &error) {
        writeText(stderr, error.message() + u'\n');
        return 2;
    } catch (const Interrupted &stop) {
        std::fflush(stdout);
        writeText(stderr, stop.Message() + u'\n');
        return 128 + stop.Signal();
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
    return flushStandardOutput();
}
