#pragma once

#include "CodePage.h"
#include "PageTruth.h"
#include "PictureControl.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>
#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// What lumo-render states about each picture it draws, in the forms people
// who train text recognisers take: a manifest line, a box file of
// tesseract's training tools, line images with their texts, and a copy of
// the picture with the ink boxes outlined.

// Each byte's character in the forms the ground truth writes it, made once
// for a code page and read by every worker.
class TruthTexts
{
public:
    explicit TruthTexts(const ByteToUnicode &characters);

    const ByteToUnicode &Characters() const { return m_characters; }
    // Escaped as Qt's JSON classes write it inside a string.
    const std::string &Json(unsigned char byte) const { return m_json[byte]; }
    // As a symbol of a box file (UTF-8); empty for a blank or a control
    // character, which no box names.
    const std::string &Symbol(unsigned char byte) const { return m_symbols[byte]; }

private:
    const ByteToUnicode &m_characters;
    std::array<std::string, 256> m_json;
    std::array<std::string, 256> m_symbols;
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
};

// One line of the manifest (JSON, UTF-8, ending in a line feed): the
// picture's facts and its text lines with every character, its byte, its
// text, its cell and its ink box ([x, y, width, height], or null).
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
// every side and clipped to the picture.
std::vector<LineImage> LineImages(const PageTruth &truth, const QImage &picture, int margin,
                                  const ByteToUnicode &characters);

// A copy of the picture with every ink box outlined in red, just outside it.
QImage OutlinedInk(const QImage &picture, const PageTruth &truth);
