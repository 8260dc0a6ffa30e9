#pragma once

#include "CharacterText.h"
#include "CodePage.h"
#include "LumoError.h"
#include "TextFile.h"

#include <QByteArray>
#include <QByteArrayView>
#include <array>

// The temporary file of a spooled text cannot be read back.
class SpoolUnreadable : public LumoError
{
public:
    explicit SpoolUnreadable(const QString &reason);
};

// An 8-bit text that may be far longer than is worth holding: its
// characters (the lines ended by CR LF, as TextFileLines ends them) go
// into a temporary file as they come in, and are read back a window at a
// time, so a run of hundreds of megabytes holds a few pages of its text,
// not all of it. A text shorter than a megabyte is held in memory and
// never written; so is one where no temporary file can be made or written
// to.
class SpooledText
{
public:
    explicit SpooledText(const ByteToUnicode &codePage);
    ~SpooledText();
    SpooledText(SpooledText &&other) noexcept;
    SpooledText &operator=(SpooledText &&other) noexcept;
    SpooledText(const SpooledText &) = delete;
    SpooledText &operator=(const SpooledText &) = delete;

    // The text's next bytes, none of them NUL (the text ends before one).
    void Put(QByteArrayView piece);
    // The text is complete; nothing is put after.
    void End();

    qsizetype size() const { return m_size; }
    // The characters from begin up to end (or the text's end), as a text
    // of its own. Safe on several threads at once. Raises SpoolUnreadable
    // when the temporary file cannot be read back (so can Put, when the
    // file fails and what it holds comes back into memory).
    CharacterText Window(qsizetype begin, qsizetype end) const;
    // Each code the text uses, once, in rising order: all that the glyph
    // cells and the ground truth's character texts are made from.
    const CharacterText &Alphabet() const { return m_alphabet; }
    // Whether the characters are in a temporary file (else in memory).
    bool InFile() const { return m_file >= 0; }

private:
    void open();
    void flush();
    void holdInMemory();
    void close();

    const ByteToUnicode *m_codePage;
    TextLinesStream m_lines;
    // Characters not yet written out.
    QByteArray m_pending;
    bool m_triedFile = false;
    int m_file = -1;
    QByteArray m_held;
    qsizetype m_size = 0;
    std::array<bool, 256> m_used{};
    CharacterText m_alphabet;
};
