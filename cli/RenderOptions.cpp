#include "RenderOptions.h"

#include "CodePage.h"
#include "FontObject.h"
#include "Looks.h"
#include "PdfOutput.h"
#include "SettingsFile.h"
#include "SetupStore.h"
#include "TarShards.h"

#include <QColor>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <limits>

namespace {

constexpr std::int32_t MaxPageSide = 30000;
constexpr std::int32_t MaxFontSize = 1000;
constexpr std::int32_t MaxJobs = 256;
constexpr std::int32_t MaxVariants = 100000;
constexpr std::int64_t MaxShardSize = 1000000;
constexpr std::size_t DefaultShardSize = 1000;
constexpr std::int64_t Int32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t UInt32Max = std::numeric_limits<std::uint32_t>::max();

[[noreturn]] void fail(const QString &text)
{
    RefuseUsage(text);
}

[[noreturn]] void failValue(const QString &option, const QString &problem, const QString &value)
{
    fail(QStringLiteral("%1: %2: '%3'").arg(option, problem, value));
}

// Plain decimal with an optional sign; anything else ("0x10", " 5", "5k")
// is not a number here, so a typo never passes as some other value.
// Values too large for any option saturate instead of overflowing.
std::optional<std::int64_t> decimal(const QString &text)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    constexpr std::int64_t saturation = std::int64_t(1) << 40;
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = std::min(value * 10 + (c - u'0'), saturation);
    }
    return negative ? -value : value;
}

// A plain decimal number with an optional fraction ("2", "1.5", "-0.25");
// the range is inclusive.
double numberIn(const QString &option, const QString &value, double min, double max)
{
    static const QRegularExpression plain(QStringLiteral("^[+-]?[0-9]{1,9}(\\.[0-9]{1,9})?$"));
    if (!plain.match(value).hasMatch())
        failValue(option, QStringLiteral("not a number"), value);
    const double number = value.toDouble();
    if (number < min || number > max)
        failValue(option, QStringLiteral("out of range %1..%2").arg(min).arg(max), value);
    return number;
}

std::int64_t integerIn(const QString &option, const QString &value, std::int64_t min, std::int64_t max)
{
    const std::optional<std::int64_t> number = decimal(value);
    if (!number)
        failValue(option, QStringLiteral("not a number"), value);
    if (*number < 0 && min == 0)
        failValue(option, QStringLiteral("must not be negative"), value);
    if (*number < min || *number > max)
        failValue(option, QStringLiteral("out of range %1..%2").arg(min).arg(max), value);
    return *number;
}

// Names go into the settings file, one a line.
QString nameValue(const QString &option, const QString &value)
{
    if (BreaksSettingsLine(value.toUtf8()))
        failValue(option, QStringLiteral("must not contain a line break or NUL"), ShownWithLineBreaks(value));
    return value;
}

// A setup's name is a section of the settings file, which is Windows-1252:
// a character it lacks would be stored as "?", and two names would meet in
// one section.
QString setupNameValue(const QString &option, const QString &value)
{
    if (!FitsCp1252(value))
        failValue(option, QStringLiteral("has characters the settings file (Windows-1252) cannot store"), value);
    return nameValue(option, value);
}

// A file to be written: not an existing folder.
QString fileValue(const QString &option, const QString &value)
{
    if (value.isEmpty() || QFileInfo(value).isDir())
        failValue(option, QStringLiteral("not a file name"), value);
    return value;
}

// A folder to write into: an existing folder, or a name where one can be made.
QString folderValue(const QString &option, const QString &value)
{
    const QFileInfo info(value);
    if (value.isEmpty() || (info.exists() && !info.isDir()))
        failValue(option, QStringLiteral("not a folder"), value);
    return value;
}

Colour colourValue(const QString &option, const QString &value)
{
    // QColor would also take #RGB, #AARRGGBB and twelve-digit forms; only
    // the one form the help names is accepted, so alpha never sneaks in.
    const bool hexForm = value.startsWith(u'#');
    const QColor color = (hexForm && value.size() != 7) ? QColor() : QColor::fromString(value);
    if (!color.isValid())
        failValue(option, QStringLiteral("not a colour"), value);
    return ColourFromQColor(color);
}

std::uint8_t styleValue(const QString &option, const QString &value)
{
    std::uint8_t style = 0;
    for (const QChar letter : value) {
        switch (letter.unicode()) {
        case u'B': style |= FontObject::fsBold; break;
        case u'I': style |= FontObject::fsItalic; break;
        case u'U': style |= FontObject::fsUnderline; break;
        case u'S': style |= FontObject::fsStrikeOut; break;
        default: failValue(option, QStringLiteral("not a style letter (B, I, U, S)"), QString(letter));
        }
    }
    return style;
}

// FIRST:COUNT, the seeds FIRST .. FIRST + COUNT - 1 as --seed and
// --variants give them; a range past the last seed is refused, since its
// seeds would wrap round onto another range's.
void seedRangeValue(RenderOptions &o, const QString &opt, const QString &v)
{
    const qsizetype colon = v.indexOf(u':');
    if (colon < 0)
        failValue(opt, QStringLiteral("not FIRST:COUNT"), v);
    const std::int64_t first = integerIn(opt, v.left(colon), 0, UInt32Max);
    const std::int64_t count = integerIn(opt, v.mid(colon + 1), 1, MaxVariants);
    if (first + count - 1 > UInt32Max)
        failValue(opt, QStringLiteral("the range ends past the last seed, 4294967295"), v);
    o.seed = static_cast<std::uint32_t>(first);
    o.variants = static_cast<int>(count);
}

void pageValue(RenderOptions &options, const QString &option, const QString &value)
{
    const QStringList sides = value.split(u'x');
    const auto digitsOnly = [](const QString &side) {
        return !side.isEmpty() && std::all_of(side.begin(), side.end(), [](QChar c) { return c.isDigit(); });
    };
    if (sides.size() != 2 || !digitsOnly(sides[0]) || !digitsOnly(sides[1]))
        failValue(option, QStringLiteral("not WIDTHxHEIGHT"), value);
    const std::optional<std::int64_t> width = decimal(sides[0]);
    const std::optional<std::int64_t> height = decimal(sides[1]);
    if (!width || !height || *width < 1 || *width > MaxPageSide || *height < 1 || *height > MaxPageSide)
        failValue(option, QStringLiteral("out of range 1..%1").arg(MaxPageSide), value);
    options.pageWidth = static_cast<std::int32_t>(*width);
    options.pageHeight = static_cast<std::int32_t>(*height);
}

// OUTPUT's extension, in any case, chooses what is written.
void chooseOutputKind(RenderOptions &options)
{
    const QString extension = QLatin1Char('.') + QFileInfo(options.output).suffix();
    options.pictureFormat = PictureFormatOfExtension(extension);
    if (options.pictureFormat)
        options.outputKind = OutputKind::Pictures;
    else if (extension.toLower() == PdfExtension)
        options.outputKind = OutputKind::Pdf;
    else if (extension.toLower() == TarExtension)
        options.outputKind = OutputKind::Shards;
    else
        failValue(QStringLiteral("OUTPUT"),
                  QStringLiteral("not a %1, %2 or %3 file")
                      .arg(PictureExtensions().join(QStringLiteral(", ")), PdfExtension, TarExtension),
                  options.output);
    if (options.outputKind == OutputKind::Shards) {
        options.pictureFormat = options.sampleFormat.value_or(PictureFormat::Png);
        options.shardSize = options.shardSize.value_or(DefaultShardSize);
    }
}

// The samples' picture format of a tar OUTPUT.
void formatValue(RenderOptions &options, const QString &option, const QString &value)
{
    if (value == u"png")
        options.sampleFormat = PictureFormat::Png;
    else if (value == u"jpg")
        options.sampleFormat = PictureFormat::Jpeg;
    else if (value == u"bmp")
        options.sampleFormat = PictureFormat::Bmp;
    else
        failValue(option, QStringLiteral("not png, jpg or bmp"), value);
}

TextEncoding encodingValue(const QString &option, const QString &value)
{
    const std::optional<TextEncoding> encoding = EncodingNamed(value);
    if (!encoding)
        failValue(option, QStringLiteral("not an encoding (%1)").arg(EncodingNames().join(QStringLiteral(", "))), value);
    return *encoding;
}

MissingGlyphs missingGlyphsValue(const QString &option, const QString &value)
{
    if (value == u"error")
        return MissingGlyphs::Error;
    if (value == u"fallback")
        return MissingGlyphs::Fallback;
    if (value == u"skip")
        return MissingGlyphs::Skip;
    failValue(option, QStringLiteral("not error, fallback or skip"), value);
}

// "A,B,C", or "@FILE" with one family a line (blank lines and lines
// starting with # left out).
void fontsValue(RenderOptions &options, const QString &option, const QString &value)
{
    QStringList names;
    if (value.startsWith(u'@')) {
        QFile file(value.mid(1));
        if (!file.open(QIODevice::ReadOnly))
            failValue(option, QStringLiteral("cannot read the file (%1)").arg(file.errorString()), value.mid(1));
        for (const QString &line : QString::fromUtf8(file.readAll()).split(u'\n')) {
            const QString name = line.trimmed();
            if (!name.isEmpty() && !name.startsWith(u'#'))
                names.append(name);
        }
    } else {
        for (const QString &part : value.split(u','))
            names.append(part.trimmed());
    }
    if (names.isEmpty() || names.contains(QString()))
        failValue(option, QStringLiteral("not a list of font families"), value);
    for (const QString &name : names)
        nameValue(option, name);
    options.fonts = names;
}

using Apply = void (*)(RenderOptions &, const QString &option, const QString &value);

struct KnownOption
{
    QLatin1StringView name;
    bool takesValue;
    Apply apply;
};

// Every option of the command; --help and --version are handled before
// this table is consulted.
const KnownOption knownOptions[] = {
    {QLatin1StringView("--setup"), true,
     [](RenderOptions &o, const QString &opt, const QString &v) { o.setupName = setupNameValue(opt, v); }},
    {QLatin1StringView("--settings"), true,
     [](RenderOptions &o, const QString &, const QString &v) { o.settingsPath = v; }},
    {QLatin1StringView("--font"), true,
     [](RenderOptions &o, const QString &opt, const QString &v) { o.fontName = nameValue(opt, v); }},
    {QLatin1StringView("--size"), true,
     [](RenderOptions &o, const QString &opt, const QString &v) {
         o.fontSize = static_cast<std::int32_t>(integerIn(opt, v, 0, MaxFontSize));
     }},
    {QLatin1StringView("--style"), true,
     [](RenderOptions &o, const QString &opt, const QString &v) { o.fontStyle = styleValue(opt, v); }},
    {QLatin1StringView("--color"), true,
     [](RenderOptions &o, const QString &opt, const QString &v) { o.fontColor = colourValue(opt, v); }},
    {QLatin1StringView("--background"), true,
     [](RenderOptions &o, const QString &opt, const QString &v) { o.background = colourValue(opt, v); }},
    {QLatin1StringView("--jitter-x"), true,
     [](RenderOptions &o, const QString &opt, const QString &v) {
         o.jitterX = static_cast<std::int32_t>(integerIn(opt, v, 0, Int32Max));
     }},
    {QLatin1StringView("--jitter-y"), true,
     [](RenderOptions &o, const QString &opt, const QString &v) {
         o.jitterY = static_cast<std::int32_t>(integerIn(opt, v, 0, Int32Max));
     }},
    {QLatin1StringView("--noise"), true,
     [](RenderOptions &o, const QString &opt, const QString &v) {
         o.noise = static_cast<std::int32_t>(integerIn(opt, v, 0, Int32Max));
     }},
    {QLatin1StringView("--charset"), true,
     [](RenderOptions &o, const QString &opt, const QString &v) {
         o.charset = static_cast<std::uint8_t>(integerIn(opt, v, 0, 255));
     }},
    {QLatin1StringView("--encoding"), true,
     [](RenderOptions &o, const QString &opt, const QString &v) { o.encoding = encodingValue(opt, v); }},
    {QLatin1StringView("--missing-glyphs"), true,
     [](RenderOptions &o, const QString &opt, const QString &v) {
         o.missingGlyphs = missingGlyphsValue(opt, v);
         o.missingGlyphsGiven = true;
     }},
    {QLatin1StringView("--list-fonts"), false,
     [](RenderOptions &o, const QString &, const QString &) { o.listFonts = true; }},
    {QLatin1StringView("--fonts"), true, fontsValue},
    {QLatin1StringView("--look"), true,
     [](RenderOptions &o, const QString &opt, const QString &v) {
         const std::optional<NamedLook> look = LookNamed(v);
         if (!look)
             failValue(opt, QStringLiteral("not a look (%1)").arg(LookNames().join(QStringLiteral(", "))), v);
         o.look = look->characters;
         o.page = look->page;
         o.lookName = v;
     }},
    {QLatin1StringView("--char-rotate"), true,
     [](RenderOptions &o, const QString &opt, const QString &v) { o.look.rotate = numberIn(opt, v, 0, 45); }},
    {QLatin1StringView("--char-scale"), true,
     [](RenderOptions &o, const QString &opt, const QString &v) { o.look.scalePercent = numberIn(opt, v, 0, 50); }},
    {QLatin1StringView("--baseline-drift"), true,
     [](RenderOptions &o, const QString &opt, const QString &v) { o.look.baselineDrift = numberIn(opt, v, 0, 100); }},
    {QLatin1StringView("--ink-fade"), true,
     [](RenderOptions &o, const QString &opt, const QString &v) { o.look.inkFadePercent = numberIn(opt, v, 0, 100); }},
    {QLatin1StringView("--rotate"), true,
     [](RenderOptions &o, const QString &opt, const QString &v) { o.page.rotate = numberIn(opt, v, 0, 45); }},
    {QLatin1StringView("--warp"), true,
     [](RenderOptions &o, const QString &opt, const QString &v) { o.page.warp = numberIn(opt, v, 0, 20); }},
    {QLatin1StringView("--ink-weight"), true,
     [](RenderOptions &o, const QString &opt, const QString &v) {
         o.page.inkWeight = static_cast<int>(integerIn(opt, v, -3, 3));
     }},
    {QLatin1StringView("--paper-images"), true,
     [](RenderOptions &o, const QString &opt, const QString &v) {
         if (!QFileInfo(v).isDir())
             failValue(opt, QStringLiteral("not a folder"), v);
         o.paperImages = v;
     }},
    {QLatin1StringView("--paper"), false, [](RenderOptions &o, const QString &, const QString &) { o.page.paper = true; }},
    {QLatin1StringView("--blur"), true,
     [](RenderOptions &o, const QString &opt, const QString &v) { o.page.blur = numberIn(opt, v, 0, 10); }},
    {QLatin1StringView("--sensor-noise"), true,
     [](RenderOptions &o, const QString &opt, const QString &v) { o.page.sensorNoise = numberIn(opt, v, 0, 100); }},
    {QLatin1StringView("--page"), true, pageValue},
    {QLatin1StringView("--one-picture"), false,
     [](RenderOptions &o, const QString &, const QString &) { o.onePicture = true; }},
    {QLatin1StringView("--seed"), true,
     [](RenderOptions &o, const QString &opt, const QString &v) {
         o.seed = static_cast<std::uint32_t>(integerIn(opt, v, 0, UInt32Max));
     }},
    {QLatin1StringView("--jobs"), true,
     [](RenderOptions &o, const QString &opt, const QString &v) {
         o.jobs = static_cast<int>(integerIn(opt, v, 1, MaxJobs));
     }},
    {QLatin1StringView("--ground-truth"), true,
     [](RenderOptions &o, const QString &opt, const QString &v) { o.groundTruth = fileValue(opt, v); }},
    {QLatin1StringView("--boxes"), false, [](RenderOptions &o, const QString &, const QString &) { o.boxes = true; }},
    {QLatin1StringView("--lines"), true,
     [](RenderOptions &o, const QString &opt, const QString &v) { o.linesFolder = folderValue(opt, v); }},
    {QLatin1StringView("--overlay"), false,
     [](RenderOptions &o, const QString &, const QString &) { o.overlay = true; }},
    {QLatin1StringView("--variants"), true,
     [](RenderOptions &o, const QString &opt, const QString &v) {
         o.variants = static_cast<int>(integerIn(opt, v, 1, MaxVariants));
     }},
    {QLatin1StringView("--seed-range"), true, seedRangeValue},
    {QLatin1StringView("--format"), true, formatValue},
    {QLatin1StringView("--shard-size"), true,
     [](RenderOptions &o, const QString &opt, const QString &v) {
         o.shardSize = static_cast<std::size_t>(integerIn(opt, v, 1, MaxShardSize));
     }},
    {QLatin1StringView("--save-setup"), true,
     [](RenderOptions &o, const QString &opt, const QString &v) { o.saveSetup = setupNameValue(opt, v); }},
    {QLatin1StringView("--delete-setup"), true,
     [](RenderOptions &o, const QString &opt, const QString &v) { o.deleteSetup = setupNameValue(opt, v); }},
    {QLatin1StringView("--list-setups"), false,
     [](RenderOptions &o, const QString &, const QString &) { o.listSetups = true; }},
    {QLatin1StringView("--quiet"), false, [](RenderOptions &o, const QString &, const QString &) { o.quiet = true; }},
};

const KnownOption *findOption(const QString &name)
{
    for (const KnownOption &option : knownOptions) {
        if (name == option.name)
            return &option;
    }
    return nullptr;
}

} // namespace

void RefuseUsage(const QString &text)
{
    throw UsageError(QStringLiteral("lumo-render: %1 (see lumo-render --help)").arg(text));
}

RenderOptions ParseRenderOptions(const QStringList &arguments)
{
    RenderOptions options;
    options.settingsPath = DefaultSettingsPath;
    options.setupName = QString::fromLatin1(StandardSetupName);

    QStringList positional;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        // A lone "-" is standard input, not an option.
        if (optionsEnded || !argument.startsWith(u'-') || argument == u"-") {
            positional.append(argument);
            continue;
        }
        if (argument == u"--") {
            optionsEnded = true;
            continue;
        }
        if (argument == u"--help" || argument == u"-h") {
            options.help = true;
            return options;
        }
        if (argument == u"--version") {
            options.version = true;
            return options;
        }

        const qsizetype equals = argument.indexOf(u'=');
        const QString name = equals < 0 ? argument : argument.left(equals);
        const KnownOption *known = findOption(name);
        if (!known)
            fail(QStringLiteral("%1: unknown option").arg(name));
        QString value;
        if (known->takesValue) {
            if (equals >= 0)
                value = argument.mid(equals + 1);
            else if (i + 1 < arguments.size())
                value = arguments[++i];
            else
                fail(QStringLiteral("%1: missing value").arg(name));
        } else if (equals >= 0) {
            fail(QStringLiteral("%1: takes no value").arg(name));
        }
        known->apply(options, name, value);
    }

    if (positional.size() > 2)
        fail(QStringLiteral("too many arguments: '%1'").arg(positional[2]));
    if (!positional.isEmpty())
        options.input = positional[0];
    if (positional.size() == 2) {
        options.output = positional[1];
        // Each picture's name is printed on a line of its own.
        if (std::any_of(options.output.begin(), options.output.end(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; }))
            failValue(QStringLiteral("OUTPUT"), QStringLiteral("must not contain a control character"),
                      ShownWithLineBreaks(options.output));
        chooseOutputKind(options);
    }
    if (options.outputKind != OutputKind::Shards) {
        if (options.sampleFormat)
            fail(QStringLiteral("--format: chooses the pictures' format in a .tar OUTPUT; other OUTPUTs are named "
                                "with their format"));
        if (options.shardSize)
            fail(QStringLiteral("--shard-size: needs a .tar OUTPUT"));
    }
    if (options.listFonts && !options.output.isNull())
        fail(QStringLiteral("--list-fonts: lists the fonts that cover INPUT and draws nothing: give no OUTPUT"));
    if (options.input.isNull() && !options.saveSetup && !options.deleteSetup && !options.listSetups
        && !options.listFonts)
        fail(QStringLiteral("no INPUT given"));
    // What is written beside the pictures needs pictures written.
    if (options.outputKind == OutputKind::None) {
        if (options.boxes)
            fail(QStringLiteral("--boxes: the box files go beside the pictures: give an OUTPUT"));
        if (options.overlay)
            fail(QStringLiteral("--overlay: the outlined copies go beside the pictures: give an OUTPUT"));
    }
    if (options.saveSetup && options.fontName && !FitsCp1252(*options.fontName))
        failValue(QStringLiteral("--font"),
                  QStringLiteral("has characters the settings file (Windows-1252) cannot store"), *options.fontName);
    const bool renders = !options.input.isNull() && !options.listFonts;
    if (!renders && (options.groundTruth || options.boxes || options.linesFolder || options.overlay || options.variants))
        fail(QStringLiteral("the ground truth options need an INPUT"));
    return options;
}

QString RenderUsageText()
{
    return QStringLiteral(R"(Usage: lumo-render [OPTIONS] [INPUT [OUTPUT]]

Draws a text as pictures, character by character, the way Lumo's "convert"
does: in the render settings of a setup from LumoSetup.ini, changed by the
options below, with every character jittered and the pictures speckled.

  INPUT                 text file, 8-bit unless --encoding says otherwise; "-"
                        reads standard input. Lines end at CR, LF or CR LF; a
                        NUL byte ends the text.
  OUTPUT                picture file; its extension (any case) chooses the
                        format: .jpg or .jpeg (written as .jpg), .bmp, .png,
                        .pdf (one document, one picture a page at 96 dpi), or
                        .tar (samples in tar shards, see Shards below).
                        Several pictures are saved as NAME11.EXT, NAME12.EXT,
                        ..., NAME being OUTPUT up to the first "." of its file
                        name. Without OUTPUT nothing is written.

Every picture is reported on standard output as one line: the file written
("-" without OUTPUT, the PDF file for each of its pages, the shard that holds
it), a blank, and the picture's geometry WIDTHxHEIGHT+LEFT+TOP. Pages lie one below the other:
308x400+0+0, 308x400+0+400, ...

Settings (first the setup is loaded, then these options override it):
  --setup NAME          setup to start from (default "__StandardSetup__"); a
                        setup that is not stored gives Arial 8 pt, black on
                        white, no jitter, no noise
  --settings FILE       settings file instead of LumoSetup.ini in the current
                        directory
  --font NAME           font family (any fontconfig knows; one it does not know
                        is replaced, and named on standard error)
  --size POINTS         font size in points, 0..1000
  --style LETTERS       any of B (bold), I (italic), U (underline),
                        S (strikeout); "" for none
  --color COLOUR        font colour
  --background COLOUR   background colour
  --jitter-x N          sideways jitter in pixels, 0 or more (HoVar)
  --jitter-y N          up and down jitter in pixels, 0 or more (VeVar)
  --noise N             noise level, 0 or more (Rausch; the windows offer 0..30)
  --charset N           font character set, 0..255

Text:
  --encoding NAME       how INPUT's bytes are characters: utf-8 (or utf8), or
                        one byte a character of cp874, cp1250 ... cp1258
                        (default: the code page of the font's character set).
                        UTF-8 text is drawn a grapheme cluster at a time (a
                        letter with its marks, an ideograph, a syllable); a
                        byte-order mark is skipped; bytes that are not UTF-8
                        stop the run. Text in a script whose letters join or
                        reorder (Arabic, Hebrew, Devanagari, ...) is refused.
  --missing-glyphs WHAT characters the font has no glyph for: error (default)
                        refuses the text, fallback draws them with a font the
                        system finds (named in the manifest), skip leaves them
                        out; 8-bit text is checked only when this is given
  --list-fonts          print the font families that have a glyph for every
                        character of INPUT (UTF-8 unless --encoding says
                        otherwise), one a line; without INPUT, every family
  COLOUR is #RRGGBB or a colour name such as red, navy or darkgreen.

Look (each character drawn by hand, on top of the jitter; all 0 by default,
N may have a fraction, e.g. 1.5):
  --fonts A,B,C         each picture drawn with one of these font families,
                        chosen by its seed (with --variants, a variant a
                        font); --fonts @FILE reads one family a line
  --look NAME           a bundle of the effects below: clean, print, scan,
                        photocopy or worn (see docs/lumo-render.md); options
                        after it change its parts
  --char-rotate DEG     each character turned by a random angle of up to DEG
                        degrees either way about its cell's centre (0..45)
  --char-scale PCT      each character's size changed by up to PCT percent
                        either way (0..50)
  --baseline-drift PX   each line's baseline follows a smooth random curve of
                        up to PX pixels up and down (0..100)
  --ink-fade PCT        each character's ink lighter by a random amount of up
                        to PCT percent of the way to the background (0..100)
Page effects, on each whole picture after its characters, in this order:
  --rotate DEG          the picture turned by a random angle of up to DEG
                        degrees either way, same size, corners background (0..45)
  --warp PX             every pixel moved by a smooth random displacement of
                        up to PX pixels, paper that is not flat (0..20)
  --ink-weight N        ink thickened (N > 0) or thinned (N < 0) by N pixels
                        (-3..3)
  --paper               a paper texture (fibres, slow shading) under the text
  --paper-images DIR    instead, a random crop of one of the pictures in DIR
                        (the user's own paper scans; PNG, JPEG, BMP, ...)
  --blur SIGMA          a Gaussian blur of SIGMA pixels (0..10)
  --sensor-noise SIGMA  Gaussian noise of SIGMA levels (of 255) on every pixel
                        (0..100)
  The noise of --noise comes after all of them. Each picture's amounts are
  drawn from the seed and its number; the manifest records them under "look".

Pictures:
  --page WIDTHxHEIGHT   size of the first picture and of every page in pixels
                        (default 308x400; each 1..30000)
  --one-picture         one picture that grows downward instead of pages
  --seed N              seed the random generator with N (0..4294967295)
                        instead of the clock: the same seed and settings give
                        the same pictures
  --jobs N              draw and encode on N threads (1..256; default: one a
                        processor); the files are the same for every N

Ground truth (what each picture shows, character by character):
  --ground-truth FILE   write a manifest: one JSON object a picture (JSON
                        Lines, UTF-8) with every text line and every
                        character, its opaque cell and the box of its glyph
                        pixels that stay visible (see docs/lumo-render.md)
  --boxes               beside every picture a box file of the same name
                        (NAME11.box) in tesseract's training format
  --lines DIR           every text line cut out as a PNG, with its text in a
                        .gt.txt file of the same name (NAME11-0007.png), for
                        line-based training; DIR is made when missing
  --overlay             beside every picture a copy with every ink box
                        outlined in red (NAME11-overlay.png)
  --variants N          draw the text N times, with the seeds S, S+1, ...
                        (S from --seed, else from the clock); the files of a
                        variant are named NAME-sSEED.EXT, or NAME-sSEED-11.EXT,
                        NAME-sSEED-12.EXT, ... for several pictures
  --seed-range FIRST:COUNT
                        the same as --seed FIRST --variants COUNT, the form a
                        job array computes from its task's index (see
                        docs/lumo-render.md); the range must end by 4294967295

Shards (an OUTPUT ending in .tar, for training at scale):
  Each picture is a sample: its files side by side under one key, the
  picture's name without extension (NAME11.png, with --ground-truth
  NAME11.json, its manifest line, with --boxes NAME11.box, with --overlay
  NAME11.overlay.png); with --lines each line is a sample of its own
  (NAME11-0007.png, NAME11-0007.gt.txt; DIR is not used). The samples go in
  page order into NAME-000000.tar, NAME-000001.tar, ..., or with a range of
  seeds NAME-sFIRST-000000.tar, ..., so that runs over disjoint ranges never
  share a shard. A shard is put in place once it is whole; a run that fails
  or is stopped keeps the shards before and leaves no part of the next.
  --format FORMAT       the pictures' format: png (default), jpg or bmp
  --shard-size N        samples a shard holds (1..1000000; default 1000)

Setups (these work without INPUT; they run in this order, before rendering):
  --save-setup NAME     store the settings above, after the overrides, as NAME
  --delete-setup NAME   remove the setup NAME
  --list-setups         print the names of all sections, one a line, in file
                        order

Other:
  --quiet               print no picture lines
  --help, -h            show this text
  --version             show the version

An option's value may also be given as --option=VALUE; "--" ends the options.
While a rendering takes longer than a second, its progress is shown on
standard error when that is a terminal.

No two outputs may be one file, and none may be INPUT or the settings file.
An output that exists as a FIFO, a device or standard output (/dev/stdout) is
written into, never replaced. SIGINT, SIGTERM, SIGHUP and SIGPIPE stop a run
at its next picture, keeping the pictures reported and nothing else.

Exit status: 0 on success; 1 when something failed while running (the
message, e.g. "Datei "..." kann nicht erstellt werden. ...", goes to standard
error); 2 for a wrong command line, in which case nothing is written; 128 + N
when stopped by signal N.
)");
}
