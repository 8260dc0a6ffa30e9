#include "SpooledText.h"

#include "WholeFile.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace {

// Characters are written out in pieces of this size.
constexpr qsizetype WriteAfter = qsizetype(1) << 20;

// Reads size bytes at offset, or raises what went wrong.
void readAll(int file, char *bytes, qsizetype size, qsizetype offset)
{
    while (size > 0) {
        const ssize_t got = ::pread(file, bytes, static_cast<std::size_t>(size), static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            const QString reason = got < 0 ? qt_error_string(errno) : QStringLiteral("it is shorter than written");
            throw SpoolUnreadable(reason);
        }
        bytes += got;
        size -= got;
        offset += got;
    }
}

} // namespace

SpoolUnreadable::SpoolUnreadable(const QString &reason)
    : LumoError(QStringLiteral("the text cannot be read back from its temporary file: %1").arg(reason))
{
}

SpooledText::SpooledText(const ByteToUnicode &codePage)
    : m_codePage(&codePage)
{
}

SpooledText::~SpooledText()
{
    close();
}

SpooledText::SpooledText(SpooledText &&other) noexcept
    : m_codePage(other.m_codePage), m_lines(other.m_lines), m_pending(std::move(other.m_pending)),
      m_triedFile(other.m_triedFile), m_file(std::exchange(other.m_file, -1)), m_held(std::move(other.m_held)),
      m_size(std::exchange(other.m_size, 0)), m_used(other.m_used), m_alphabet(std::move(other.m_alphabet))
{
}

SpooledText &SpooledText::operator=(SpooledText &&other) noexcept
{
    if (this != &other) {
        close();
        m_codePage = other.m_codePage;
        m_lines = other.m_lines;
        m_pending = std::move(other.m_pending);
        m_triedFile = other.m_triedFile;
        m_file = std::exchange(other.m_file, -1);
        m_held = std::move(other.m_held);
        m_size = std::exchange(other.m_size, 0);
        m_used = other.m_used;
        m_alphabet = std::move(other.m_alphabet);
    }
    return *this;
}

void SpooledText::open()
{
    // Removed as soon as it is made: the file lives as long as its
    // descriptor, however the run ends. The temporary folder's path is
    // empty when TMPDIR names no folder.
    const QString folder = QDir::tempPath();
    if (folder.isEmpty())
        return;
    QByteArray name = QFile::encodeName(folder) + "/lumo-text-XXXXXX";
    m_file = ::mkostemp(name.data(), O_CLOEXEC);
    if (m_file >= 0)
        ::unlink(name.constData());
}

void SpooledText::close()
{
    if (m_file >= 0)
        ::close(m_file);
    m_file = -1;
}

void SpooledText::Put(QByteArrayView piece)
{
    m_lines.Put(piece, m_pending);
    if (m_pending.size() >= WriteAfter)
        flush();
}

void SpooledText::End()
{
    m_lines.End(m_pending);
    flush();
    QByteArray codes;
    for (int code = 0; code < 256; ++code) {
        if (m_used[static_cast<std::size_t>(code)])
            codes.append(static_cast<char>(code));
    }
    m_alphabet = CharacterText::FromBytes(codes, *m_codePage);
}

void SpooledText::flush()
{
    for (const char byte : std::as_const(m_pending))
        m_used[static_cast<unsigned char>(byte)] = true;
    // A text that ends before its first piece is written out is only held.
    if (!m_triedFile && m_pending.size() >= WriteAfter) {
        m_triedFile = true;
        open();
    }
    if (m_file >= 0 && WriteAll(m_file, m_pending.constData(), m_pending.size()) != 0)
        holdInMemory();
    if (m_file < 0)
        m_held.append(m_pending);
    m_size += m_pending.size();
    m_pending.clear();
}

// The temporary file failed (its disk is full, say): what it holds comes
// back into memory, and the rest of the text is held there too.
void SpooledText::holdInMemory()
{
    m_held.resize(m_size);
    readAll(m_file, m_held.data(), m_size, 0);
    close();
}

CharacterText SpooledText::Window(qsizetype begin, qsizetype end) const
{
    end = std::min(end, m_size);
    begin = std::min(begin, end);
    if (m_file < 0)
        return CharacterText::FromBytes(m_held.sliced(begin, end - begin), *m_codePage);
    QByteArray bytes(end - begin, Qt::Uninitialized);
    readAll(m_file, bytes.data(), bytes.size(), begin);
    return CharacterText::FromBytes(bytes, *m_codePage);
}
