#pragma once

#include "CharacterText.h"
#include "PageLook.h"
#include "PageTruth.h"
#include "PictureControl.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// What lumo-render states about each picture it draws, in the forms people
// who train text recognisers take: a manifest line, a box file of
// tesseract's training tools, line images with their texts, and a copy of
// the picture with the ink boxes outlined.

// Each character of a text in the forms the ground truth writes it, made
// once for a rendering and read by every worker.
class TruthTexts
{
public:
    TruthTexts(const CharacterText &text, const RenderJob &job);

    const QString &Text(CharCode code) const { return m_texts[code]; }
    // Escaped as Qt's JSON classes write it inside a string.
    const std::string &Json(CharCode code) const { return m_json[code]; }
    // What a character's object in the manifest holds besides its cell,
    // its ink box and its text: "byte" for 8-bit text, before "cell";
    // "codepoints", and "font" where another font than the one asked for
    // draws it, for Unicode text, after "cell". Each member ends in a comma.
    const std::string &BeforeCell(CharCode code) const { return m_beforeCell[code]; }
    const std::string &AfterCell(CharCode code) const { return m_afterCell[code]; }
    // As a symbol of a box file (UTF-8); empty for a blank or a control
    // character, which no box names.
    const std::string &Symbol(CharCode code) const { return m_symbols[code]; }
    bool IsEightBit() const { return m_eightBit; }

private:
    bool m_eightBit;
    std::vector<QString> m_texts;
    std::vector<std::string> m_json;
    std::vector<std::string> m_beforeCell;
    std::vector<std::string> m_afterCell;
    std::vector<std::string> m_symbols;
};

// The facts of one picture besides its characters.
struct PictureFacts
{
    // The file's name as printed ("-" when nothing is written).
    QString file;
    qint64 index = 0;
    LumoRect bounds;
    std::uint32_t seed = 0;
    // The ten keys of a setup section with their values.
    QList<std::pair<QByteArray, QByteArray>> settings;
    QString version;
    // The look the picture was drawn with, when it has one, and the angle
    // drawn for the page.
    CharacterLook look;
    PageLook page;
    double pageAngle = 0;
    // The named look the effects started from, or empty.
    QString lookName;
    // The font chosen from --fonts, or empty.
    QString chosenFont;
};

// One line of the manifest (JSON, UTF-8, ending in a line feed): the
// picture's facts and its text lines with every character, its byte or
// code points, its text, its cell and its ink box ([x, y, width, height],
// or null). A picture drawn with a look names it under "look", and each of
// its characters has its "quad" ([[x, y] × 4], the cell's corners as drawn).
std::string ManifestLine(const PictureFacts &facts, const PageTruth &truth, const TruthTexts &texts);

// A box file of tesseract's training tools for the picture: a line
// "<char> <left> <bottom> <right> <top> <page>" for every character with an
// ink box (origin at the bottom left), and after each text line the tab line
// that marks its end. Blank and control characters are left out.
std::string BoxFileText(const PageTruth &truth, const TruthTexts &texts, int pictureHeight, int page);

// A text line cut out of the picture for line-based training.
struct LineImage
{
    // The line's number among the picture's lines in the manifest.
    std::size_t line = 0;
    QImage picture;
    // The line's text, without the blanks at its ends, UTF-8.
    QByteArray text;
};

// Every text line that shows ink, cut out with its box grown by margin on
// every side and clipped to the picture. What the margin shows of the
// other lines' characters (a descender from above, an accent from below)
// is painted over with the background: a line image shows the ink of its
// own text and nothing else.
std::vector<LineImage> LineImages(const PageTruth &truth, const QImage &picture, int margin,
                                  const TruthTexts &texts, QRgb background);

// A copy of the picture with every ink box outlined in red, just outside it.
QImage OutlinedInk(const QImage &picture, const PageTruth &truth);
