// Text files as the editor and "convert from file" read them: the input is
// the file's bytes. Every way in (a file, a file read up to a limit, a
// device, a pipe that delivers in trickles, bytes already read, bytes in
// pieces, a spool read back in windows) must give
// the text up to the first NUL with every CR, LF and CR LF made one CR LF.

#include "FuzzSupport.h"

#include "CodePage.h"
#include "SpooledText.h"
#include "TextFile.h"

#include <QBuffer>
#include <QIODevice>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

// The rules, one byte at a time.
QByteArray modelText(const QByteArray &bytes)
{
    const qsizetype nul = bytes.indexOf('\0');
    const QByteArray text = nul < 0 ? bytes : bytes.left(nul);
    QByteArray result;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            result.append("\r\n");
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else if (text[i] == '\n') {
            result.append("\r\n");
        } else {
            result.append(text[i]);
        }
    }
    return result;
}

QByteArray withoutBreaks(QByteArray bytes)
{
    bytes.removeIf([](char c) { return c == '\r' || c == '\n'; });
    return bytes;
}

// What holds for any text read, whatever the model says.
void checkShape(const char *what, const QByteArray &input, const QByteArray &text)
{
    // Made only for a failure: escaping costs more than the reading.
    const auto context = [&] { return QByteArray(what) + " of " + Escaped(input) + " gave " + Escaped(text); };
    FUZZ_CHECK(!text.contains('\0'), context());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '\r')
            FUZZ_CHECK(i + 1 < text.size() && text[i + 1] == '\n', "lone CR: " + context());
        if (text[i] == '\n')
            FUZZ_CHECK(i > 0 && text[i - 1] == '\r', "lone LF: " + context());
    }
    const qsizetype nul = input.indexOf('\0');
    FUZZ_CHECK(withoutBreaks(text) == withoutBreaks(nul < 0 ? input : input.left(nul)),
               "content changed: " + context());
}

void checkEqual(const char *what, const QByteArray &input, const QByteArray &got, const QByteArray &expected)
{
    FUZZ_CHECK(got == expected, QByteArray(what) + " of " + Escaped(input) + " gave " + Escaped(got) + ", expected "
                                    + Escaped(expected));
}

// A pipe: short reads of a few bytes, now and then none at all until
// waitForReadyRead says more came.
class TrickleDevice : public QIODevice
{
public:
    TrickleDevice(const QByteArray &bytes, int step) : m_bytes(bytes), m_step(step) {}

    bool isSequential() const override { return true; }
    bool atEnd() const override { return m_at == m_bytes.size() && QIODevice::bytesAvailable() == 0; }
    bool waitForReadyRead(int) override
    {
        m_stalled = false;
        return m_at < m_bytes.size();
    }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (m_at == m_bytes.size())
            return -1;
        if (m_stalled)
            return 0;
        const qint64 count = std::min<qint64>({maxSize, m_step, m_bytes.size() - m_at});
        std::memcpy(data, m_bytes.constData() + m_at, static_cast<size_t>(count));
        m_at += count;
        m_stalled = ++m_reads % 3 == 0;
        return count;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_bytes;
    qint64 m_step;
    qint64 m_at = 0;
    int m_reads = 0;
    bool m_stalled = false;
};

QByteArray beforeNul(const QByteArray &bytes)
{
    const qsizetype nul = bytes.indexOf('\0');
    return nul < 0 ? bytes : bytes.left(nul);
}

void checkDevices(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    checkEqual("ReadTextBytes(buffer)", bytes, ReadTextBytes(buffer), beforeNul(bytes));

    const qint64 limit = bytes.size() / 2;
    buffer.seek(0);
    checkEqual("ReadTextBytes(buffer, half)", bytes, ReadTextBytes(buffer, limit), beforeNul(bytes.left(limit)));

    // The first byte says how the pipe delivers: its size of piece, and
    // whether QIODevice buffers it. An unlimited read costs a large
    // allocation, so one pipe a run.
    const auto first = bytes.isEmpty() ? 0 : static_cast<unsigned char>(bytes[0]);
    const QIODevice::OpenMode mode = first & 0x80 ? QIODevice::ReadOnly : QIODevice::ReadOnly | QIODevice::Unbuffered;
    TrickleDevice pipe(bytes, 1 + first % 7);
    pipe.open(mode);
    checkEqual("ReadTextBytes(pipe)", bytes, ReadTextBytes(pipe), beforeNul(bytes));
    TrickleDevice limited(bytes, 1 + first % 7);
    limited.open(mode);
    checkEqual("ReadTextBytes(pipe, half)", bytes, ReadTextBytes(limited, limit), beforeNul(bytes.left(limit)));
}

// The text in pieces whose lengths the bytes themselves give, through the
// stream of lines and through a spool read back in windows.
void checkPieces(const QByteArray &bytes, const QByteArray &lines)
{
    const QByteArray text = beforeNul(bytes);
    TextLinesStream stream;
    SpooledText spooled(Cp1252Table());
    QByteArray streamed;
    for (qsizetype at = 0, piece = 0; at < text.size(); at += piece) {
        piece = std::min<qsizetype>(1 + static_cast<unsigned char>(text[at]) % 13, text.size() - at);
        stream.Put(QByteArrayView(text).sliced(at, piece), streamed);
        spooled.Put(QByteArrayView(text).sliced(at, piece));
    }
    stream.End(streamed);
    spooled.End();
    checkEqual("TextLinesStream", bytes, streamed, lines);
    QByteArray windows;
    for (qsizetype at = 0; at < spooled.size(); at += 5)
        spooled.Window(at, at + 5).ForEachCode([&windows](CharCode code) { windows.append(static_cast<char>(code)); });
    checkEqual("SpooledText windows", bytes, windows, lines);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QByteArray expected = modelText(bytes);

    const QByteArray lines = TextFileLines(bytes);
    checkShape("TextFileLines", bytes, lines);
    checkEqual("TextFileLines", bytes, lines,
               expected.isEmpty() || expected.endsWith("\r\n") ? expected : expected + "\r\n");

    const QString path = ScratchFile(QStringLiteral("text.txt"));
    WriteBytes(path, bytes);
    const QByteArray loaded = LoadTextFile(path);
    checkShape("LoadTextFile", bytes, loaded);
    checkEqual("LoadTextFile", bytes, loaded, expected);
    checkEqual("ReadTextFileLines", bytes, ReadTextFileLines(path), lines);

    // A limit reads one byte more than it allows, so a caller sees the text
    // was longer; the bytes past it are never read.
    for (const qsizetype limit : {qsizetype(0), bytes.size() / 2, bytes.size() - 1, bytes.size()}) {
        if (limit < 0)
            continue;
        const QByteArray read = bytes.left(limit + 1);
        const QByteArray cut = LoadTextFile(path, limit);
        checkShape("LoadTextFile with a limit", read, cut);
        checkEqual("LoadTextFile with a limit", read, cut, modelText(read));
    }

    checkDevices(bytes);
    checkPieces(bytes, lines);
    return 0;
}
