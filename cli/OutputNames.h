#pragma once

#include "RenderOptions.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// Every name lumo-render writes for the pictures of one rendering (one
// variant). The outputs are checked against each other through the same
// names as they are written under (see CheckOutputs).
//
// Without variants the pictures keep the program's numbering: OUTPUT up to
// its first ".", then 11, 12, ... when there are several, then the
// extension. A variant puts its seed after that base, "-s" and the seed,
// and a "-" before the number (out-s7.png, out-s7-11.png, ...), so that no
// two variants can share a name. Without an OUTPUT the stems are those of
// "page.png".
//
// A tar OUTPUT writes no file of a picture's own: its names are those of
// the members of the samples in the shards, each sample's under its key,
// the picture's stem without a folder (out11.png, out11.json, out11.box,
// out11.overlay.png; a line out11-0007.png with out11-0007.gt.txt).
class OutputNames
{
public:
    OutputNames(const RenderOptions &options, std::size_t count, std::optional<std::uint32_t> variantSeed);

    std::size_t Count() const { return m_count; }
    // The picture's name as printed: its file, the PDF document, the
    // member of a tar OUTPUT, or "-".
    QString Picture(std::size_t page) const;
    // The name without the extension ("out11") that the picture's other
    // files are named after.
    QString Stem(std::size_t page) const;
    QString BoxFile(std::size_t page) const;
    // The copy with the ink boxes outlined (not for PDF, whose outlined
    // pictures make a document of their own).
    QString Outlined(std::size_t page) const;
    // A text line's image and its text, in the lines folder.
    QString LineImage(std::size_t page, std::size_t line) const;
    QString LineText(std::size_t page, std::size_t line) const;
    // A tar OUTPUT's member with the picture's manifest object.
    QString SampleTruth(std::size_t page) const;

    // PDF: the document, the outlined document and the box file of all pages.
    const QString &Document() const { return m_document; }
    QString OutlinedDocument() const;
    QString DocumentBoxes() const;

private:
    QString lineStem(std::size_t page, std::size_t line) const;

    const RenderOptions &m_options;
    const bool m_shards;
    const bool m_written;
    // Made when asked for, not kept: a run of a million pictures would
    // hold a million names.
    std::size_t m_count;
    QString m_base;
    QString m_separator;
    QString m_extension;
    QString m_document;
};

// The shards of a tar OUTPUT are named OUTPUT up to its first ".", with
// "-s" and the first seed when the run draws a range of seeds (so that
// runs over disjoint ranges never share a shard), then the shard's number.
QString ShardPrefix(const RenderOptions &options, std::optional<std::uint32_t> firstVariantSeed);

// What an output is, for the messages that name it.
enum class OutputRole { Picture, BoxFile, Outlined, LineImage, LineText, Document, OutlinedDocument, DocumentBoxes, Shard };

// Calls visit(role, name) for every file that the rendering writes with
// these names and these options (a tar OUTPUT's shards aside). linesOfPage(page) is how many text lines
// the page has (asked only with --lines).
void ForEachOutput(const OutputNames &names, const RenderOptions &options,
                   const std::function<std::size_t(std::size_t page)> &linesOfPage,
                   const std::function<void(OutputRole role, const QString &name)> &visit);
