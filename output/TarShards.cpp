#include "TarShards.h"

#include <archive.h>
#include <archive_entry.h>
#include <clocale>
#include <exception>
#include <locale.h>
#include <memory>

namespace {

// Members are read and written as one block of this many bytes at a time.
constexpr int BlockBytes = 64 * 1024;

// libarchive turns a name into the bytes of a header through the locale's
// character set, and fails (or worse) on a name the locale cannot spell.
// While it works, this thread's locale spells every name in UTF-8, so a
// shard's bytes are the same under any locale.
class Utf8Names
{
public:
    Utf8Names() : m_utf8(newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(nullptr)))
    {
        if (m_utf8)
            m_previous = uselocale(m_utf8);
    }
    ~Utf8Names()
    {
        if (m_utf8) {
            uselocale(m_previous);
            freelocale(m_utf8);
        }
    }
    Utf8Names(const Utf8Names &) = delete;
    Utf8Names &operator=(const Utf8Names &) = delete;

private:
    locale_t m_utf8;
    locale_t m_previous = nullptr;
};

struct WriterFree
{
    void operator()(archive *writer) const { archive_write_free(writer); }
};

} // namespace

// One shard being written: the archive writer of libarchive feeding a
// WholeFileWriter.
class TarShards::Archive
{
public:
    explicit Archive(const QString &path) : m_file(path), m_archive(archive_write_new())
    {
        if (!m_archive)
            throw CannotCreateError(path, QStringLiteral("Out of memory"));
        // POSIX tar, with an extended header only for a name ustar cannot
        // hold; the end padded to whole 512-byte records, not to a block.
        if (archive_write_set_format_pax_restricted(m_archive.get()) != ARCHIVE_OK
            || archive_write_set_bytes_per_block(m_archive.get(), BlockBytes) != ARCHIVE_OK
            || archive_write_set_bytes_in_last_block(m_archive.get(), 1) != ARCHIVE_OK
            || archive_write_open(m_archive.get(), this, nullptr, &Archive::write, nullptr) != ARCHIVE_OK)
            fail();
    }

    ~Archive()
    {
        // Without Finish() the shard is dropped: nothing more reaches its
        // file, which goes without being put in place. The writer is closed
        // all the same (into nothing), because only closing frees its
        // buffers, also after a failed write.
        m_dropped = true;
        archive_write_close(m_archive.get());
    }

    Archive(const Archive &) = delete;
    Archive &operator=(const Archive &) = delete;

    void Add(const TarMember &member)
    {
        archive_entry *entry = archive_entry_new();
        if (!entry)
            throw CannotCreateError(m_file.Path(), QStringLiteral("Out of memory"));
        const QByteArray name = member.name.toUtf8();
        // Given as the locale's bytes (UTF-8, see Utf8Names), which are
        // stored as they are: given as UTF-8, the name would be composed
        // (NFC) on its way, and a member named with a combining mark would
        // not be the name the manifest and the report give.
        archive_entry_copy_pathname(entry, name.constData());
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_perm(entry, 0644);
        archive_entry_set_size(entry, member.bytes.size());
        const int header = archive_write_header(m_archive.get(), entry);
        archive_entry_free(entry);
        if (header != ARCHIVE_OK)
            fail();
        const la_ssize_t written = archive_write_data(m_archive.get(), member.bytes.constData(),
                                                     static_cast<std::size_t>(member.bytes.size()));
        if (written != member.bytes.size())
            fail();
    }

    void Finish()
    {
        if (archive_write_close(m_archive.get()) != ARCHIVE_OK)
            fail();
        m_file.Commit();
    }

private:
    static la_ssize_t write(archive *, void *client, const void *buffer, std::size_t length)
    {
        auto *self = static_cast<Archive *>(client);
        if (self->m_dropped)
            return static_cast<la_ssize_t>(length);
        // The library is C: the file's error waits here until it returns.
        try {
            self->m_file.Write(QByteArrayView(static_cast<const char *>(buffer), static_cast<qsizetype>(length)));
        } catch (...) {
            self->m_failure = std::current_exception();
            return -1;
        }
        return static_cast<la_ssize_t>(length);
    }

    [[noreturn]] void fail()
    {
        if (m_failure)
            std::rethrow_exception(m_failure);
        const char *reason = archive_error_string(m_archive.get());
        throw CannotCreateError(m_file.Path(), reason ? QString::fromLocal8Bit(reason) : QStringLiteral("tar"));
    }

    WholeFileWriter m_file;
    std::exception_ptr m_failure;
    bool m_dropped = false;
    std::unique_ptr<archive, WriterFree> m_archive;
};

TarShards::TarShards(const QString &prefix, std::size_t samplesPerShard)
    : m_prefix(prefix), m_samplesPerShard(samplesPerShard)
{
}

TarShards::~TarShards() = default;

QString TarShards::ShardName(const QString &prefix, std::size_t index)
{
    return prefix + QStringLiteral("-%1").arg(index, 6, 10, QLatin1Char('0')) + TarExtension;
}

bool TarShards::Add(const TarSample &sample)
{
    const Utf8Names names;
    if (!m_open)
        m_open = std::make_unique<Archive>(Current());
    for (const TarMember &member : sample)
        m_open->Add(member);
    ++m_samples;
    return m_samples == m_samplesPerShard && Finish();
}

bool TarShards::Finish()
{
    if (!m_open)
        return false;
    const Utf8Names names;
    std::unique_ptr<Archive> shard = std::move(m_open);
    shard->Finish();
    ++m_finished;
    m_samples = 0;
    return true;
}
