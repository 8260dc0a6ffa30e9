#pragma once

#include "CharacterLook.h"
#include "Colour.h"
#include "PageLook.h"
#include "PictureFormat.h"
#include "TextEncoding.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <stdexcept>

// What lumo-render was asked to do, read from its command line before any
// file is touched.

// What OUTPUT is: nothing is written, pictures of one format, one PDF
// document, or tar shards of samples.
enum class OutputKind { None, Pictures, Pdf, Shards };

// What becomes of characters the font has no glyph for: the text is
// refused, they are drawn with a font the system finds, or left out.
enum class MissingGlyphs { Error, Fallback, Skip };

struct RenderOptions
{
    QString settingsPath;
    QString setupName;

    // Overrides of the loaded setup; unset ones keep the setup's value.
    std::optional<QString> fontName;
    std::optional<std::int32_t> fontSize;
    std::optional<std::uint8_t> fontStyle;
    std::optional<Colour> fontColor;
    std::optional<Colour> background;
    std::optional<std::int32_t> jitterX;
    std::optional<std::int32_t> jitterY;
    std::optional<std::int32_t> noise;
    std::optional<std::uint8_t> charset;
    // The hand-set look of each character and the page effects: none unless asked for.
    CharacterLook look;
    PageLook page;
    // The --look these started from, when one was named.
    QString lookName;
    // --fonts: each picture draws with one of them, chosen by its seed.
    QStringList fonts;
    // --paper-images: a folder of paper scans, read when the run starts.
    std::optional<QString> paperImages;

    // How INPUT's bytes are characters; unset, one byte a character of the
    // font's code page.
    std::optional<TextEncoding> encoding;
    MissingGlyphs missingGlyphs = MissingGlyphs::Error;
    // Whether --missing-glyphs was given: 8-bit text is checked only then.
    bool missingGlyphsGiven = false;

    std::int32_t pageWidth = 308;
    std::int32_t pageHeight = 400;
    bool onePicture = false;
    std::optional<std::uint32_t> seed;
    // Threads that draw and encode the pictures; 0 for one a processor.
    int jobs = 0;

    // Ground truth: the manifest (JSON Lines), box files beside the
    // pictures, line images and their texts in a folder, pictures with the
    // ink boxes outlined beside the pictures.
    std::optional<QString> groundTruth;
    bool boxes = false;
    std::optional<QString> linesFolder;
    bool overlay = false;
    // The same text drawn this many times, with seeds S, S + 1, ...
    std::optional<int> variants;

    std::optional<QString> saveSetup;
    std::optional<QString> deleteSetup;
    bool listSetups = false;
    // List the font families (that cover INPUT, when given) instead of rendering.
    bool listFonts = false;

    bool help = false;
    bool version = false;
    bool quiet = false;

    // Empty when not given; "-" is standard input.
    QString input;
    QString output;
    OutputKind outputKind = OutputKind::None;
    // The pictures' format: set exactly for OutputKind::Pictures and
    // OutputKind::Shards.
    std::optional<PictureFormat> pictureFormat;
    // A tar OUTPUT's --format, and how many samples a shard holds.
    std::optional<PictureFormat> sampleFormat;
    std::optional<std::size_t> shardSize;
};

// A command line that cannot be carried out. The message is one line and
// names the option at fault.
class UsageError : public std::runtime_error
{
public:
    explicit UsageError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }

    const QString &message() const { return m_message; }

private:
    QString m_message;
};

// Raises the UsageError "lumo-render: <text> (see lumo-render --help)".
[[noreturn]] void RefuseUsage(const QString &text);

// Reads the arguments (without the program name). Raises UsageError for an
// unknown option, a missing or malformed value, a value out of range, an
// OUTPUT of unknown format, too many arguments, or nothing to do.
RenderOptions ParseRenderOptions(const QStringList &arguments);

// The text of --help.
QString RenderUsageText();
