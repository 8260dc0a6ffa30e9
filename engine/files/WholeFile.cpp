#include "WholeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <cstdlib>
#include <unistd.h>
#include <utility>

QString FullPath(const QString &path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

LumoError CannotCreateError(const QString &path, const QString &reason)
{
    return LumoError(QStringLiteral("Datei \"%1\" kann nicht erstellt werden. %2").arg(FullPath(path), reason));
}

LumoError CannotOpenError(const QString &path, const QString &reason)
{
    return LumoError(QStringLiteral("Datei %1 kann nicht ge\u00f6ffnet werden. %2").arg(FullPath(path), reason));
}

namespace {

// Where a file that is a symbolic link is written: its target, created
// when missing, as the user of the link expects.
QString writtenPath(const QString &path)
{
    const QFileInfo info(path);
    return info.isSymLink() ? info.symLinkTarget() : path;
}

// The descriptor that a path names when it is one of this process's own
// (/dev/stdout, /dev/fd/N, /proc/self/fd/N), followed through symbolic
// links; -1 for any other path.
int ownDescriptor(const QString &path)
{
    static const QRegularExpression descriptorPath(QStringLiteral("^/(?:dev/fd|proc/(self|[0-9]+)/fd)/([0-9]+)$"));
    QByteArray current = QFile::encodeName(QFileInfo(path).absoluteFilePath());
    // As many links as the system itself follows.
    for (int hop = 0; hop < 40; ++hop) {
        const QRegularExpressionMatch match = descriptorPath.match(QFile::decodeName(current));
        if (match.hasMatch()) {
            const QString process = match.captured(1);
            if (process.isEmpty() || process == u"self" || process.toLongLong() == ::getpid())
                return match.captured(2).toInt();
            return -1;
        }
        char target[4096];
        const ssize_t length = ::readlink(current.constData(), target, sizeof target);
        if (length <= 0 || length == static_cast<ssize_t>(sizeof target))
            return -1;
        QByteArray next(target, length);
        if (!next.startsWith('/')) {
            const qsizetype slash = current.lastIndexOf('/');
            next = current.left(slash + 1) + next;
        }
        current = QFile::encodeName(QDir::cleanPath(QFile::decodeName(next)));
    }
    return -1;
}

} // namespace

bool IsWrittenStraight(const QString &path)
{
    if (ownDescriptor(path) >= 0)
        return true;
    struct stat status{};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 && !S_ISREG(status.st_mode)
           && !S_ISDIR(status.st_mode);
}

StraightTarget::StraightTarget(const QString &path)
{
    if (!IsWrittenStraight(path))
        return;
    int fd = -1;
    const int own = ownDescriptor(path);
    if (own >= 0) {
        fd = ::fcntl(own, F_DUPFD_CLOEXEC, 0);
        m_standardOutput = own == STDOUT_FILENO;
    } else {
        struct stat status{};
        if (::stat(QFile::encodeName(path).constData(), &status) != 0)
            throw CannotCreateError(path, qt_error_string(errno));
        if (!S_ISFIFO(status.st_mode) && !S_ISCHR(status.st_mode))
            throw CannotCreateError(path, QStringLiteral("Not a regular file, a FIFO or a character device"));
        // A FIFO waits here for its reader, as a FIFO's writer expects.
        do {
            fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC);
        } while (fd < 0 && errno == EINTR);
    }
    if (fd < 0)
        throw CannotCreateError(path, qt_error_string(errno));
    // Unbuffered, and only for its descriptor: every write goes through WriteAll.
    if (!m_file.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw CannotCreateError(path, m_file.errorString());
    }
}

int StraightTarget::Write(QByteArrayView bytes)
{
    // Standard output's own lines go first, so that neither is cut by the other.
    if (m_standardOutput)
        std::fflush(stdout);
    return WriteAll(m_file.handle(), bytes.data(), bytes.size());
}


// The temporary file behind a WholeFileWriter, as a device. QSaveFile alone
// is not enough: buffered, its last write happens inside commit(), whose
// failure Qt does not report, and a cut-off file would replace the old one.
// So it is opened unbuffered, and a short write (the disk filled up half-way)
// is retried until it fails outright, which gives the system's reason.
class WholeFileWriter::SaveDevice : public QIODevice
{
public:
    explicit SaveDevice(const QString &path) : m_straight(path), m_file(writtenPath(path)) {}

    bool Start()
    {
        if (!m_straight.IsOpen() && !m_file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return false;
        return open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }

    QString Reason() const { return m_reason.isEmpty() ? m_file.errorString() : m_reason; }
    bool Failed() const { return !m_reason.isEmpty(); }
    qint64 Written() const { return m_written; }

    bool CutBack(qint64 size)
    {
        if (m_straight.IsOpen() || size >= m_written)
            return true;
        if (!m_file.resize(size) || !m_file.seek(size)) {
            m_reason = m_file.errorString();
            return false;
        }
        m_written = size;
        m_unstarted = 0;
        return true;
    }

    bool Commit()
    {
        close();
        if (Failed())
            return false;
        if (m_straight.IsOpen())
            return true;
        // QSaveFile syncs before it renames but passes over a failed sync:
        // bytes the disk could not take would replace the old file unseen.
        if (::fdatasync(m_file.handle()) != 0) {
            m_reason = qt_error_string(errno);
            m_file.cancelWriting();
            return false;
        }
        if (!m_file.commit()) {
            m_reason = m_file.errorString();
            return false;
        }
        return true;
    }

    void Discard()
    {
        if (m_file.isOpen())
            m_file.cancelWriting();
        close();
    }

protected:
    qint64 readData(char *, qint64) override { return -1; }

    qint64 writeData(const char *data, qint64 length) override
    {
        if (Failed())
            return -1;
        if (m_straight.IsOpen()) {
            if (const int error = m_straight.Write(QByteArrayView(data, length))) {
                m_reason = qt_error_string(error);
                return -1;
            }
            m_written += length;
            return length;
        }
        qint64 done = 0;
        while (done < length) {
            const qint64 written = m_file.write(data + done, length - done);
            if (written <= 0) {
                m_reason = m_file.errorString();
                if (m_reason.isEmpty())
                    m_reason = qt_error_string(errno);
                return -1;
            }
            done += written;
        }
        m_written += done;
        startWriting(done);
        return done;
    }

private:
    // A long file (a manifest) goes to the disk while it is being written,
    // in parts of some MB: syncing it all at the end would hold the program
    // up at its end, and starting each small write on its own would make a
    // great many small writes.
    void startWriting(qint64 written)
    {
        constexpr qint64 Part = 8 << 20;
        m_unstarted += written;
        if (m_unstarted < Part)
            return;
        const qint64 end = m_file.pos();
        ::sync_file_range(m_file.handle(), end - m_unstarted, m_unstarted, SYNC_FILE_RANGE_WRITE);
        m_unstarted = 0;
    }

    StraightTarget m_straight;
    QSaveFile m_file;
    QString m_reason;
    qint64 m_written = 0;
    qint64 m_unstarted = 0;
};

WholeFileWriter::WholeFileWriter(const QString &path) : m_path(path), m_device(std::make_unique<SaveDevice>(path))
{
    if (!m_device->Start())
        throw CannotCreateError(m_path, m_device->Reason());
}

WholeFileWriter::~WholeFileWriter()
{
    if (m_device->isOpen())
        m_device->Discard();
}

void WholeFileWriter::Write(QByteArrayView bytes)
{
    if (!bytes.isEmpty() && m_device->write(bytes.data(), bytes.size()) != bytes.size())
        throw CannotCreateError(m_path, m_device->Reason());
}

qint64 WholeFileWriter::Written() const
{
    return m_device->Written();
}

void WholeFileWriter::CutBack(qint64 size)
{
    if (!m_device->CutBack(size))
        throw CannotCreateError(m_path, m_device->Reason());
}

void WholeFileWriter::Commit()
{
    if (!m_device->Commit())
        throw CannotCreateError(m_path, m_device->Reason());
}

QString WholeFileWriter::ErrorString() const
{
    return m_device->Reason();
}

void SaveFile(const QString &path, QByteArrayView bytes)
{
    WholeFileWriter file(path);
    file.Write(bytes);
    file.Commit();
}

StagedFile::StagedFile(const QString &path, QByteArrayView bytes) : m_path(path)
{
    // A FIFO or a device takes the bytes when the file's turn comes.
    if (IsWrittenStraight(path)) {
        m_straightBytes = bytes.toByteArray();
        m_straight = true;
        return;
    }
    const QString target = writtenPath(path);
    const QFileInfo info(target);
    // A hidden name of its own in the file's folder: the rename must not
    // cross file systems.
    QByteArray pattern = QFile::encodeName(info.absolutePath() + QStringLiteral("/") + QLatin1StringView(StagedPrefix)
                                           + QStringLiteral("XXXXXX"));
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        throw CannotCreateError(path, qt_error_string(errno));
    m_staged = QFile::decodeName(pattern);
    // The new file gets the old one's permissions, or those of a new file.
    struct stat old{};
    mode_t mode = 0;
    if (::stat(QFile::encodeName(target).constData(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    int error = ::fchmod(fd, mode) == 0 ? 0 : errno;
    // A short write (the disk filled up half-way) is tried again until it
    // fails outright, which gives the system's reason.
    if (error == 0)
        error = WriteAll(fd, bytes.data(), bytes.size());
    // Only started here: waiting for the disk on the worker would hold each
    // page up, while PutInPlace waits in page order anyway.
    if (error == 0)
        ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0) {
        discard();
        throw CannotCreateError(path, qt_error_string(error));
    }
}

StagedFile::~StagedFile()
{
    discard();
}

StagedFile::StagedFile(StagedFile &&other) noexcept
    : m_path(std::move(other.m_path)), m_staged(std::exchange(other.m_staged, QString())),
      m_straightBytes(std::move(other.m_straightBytes)), m_settled(std::exchange(other.m_settled, false)),
      m_straight(std::exchange(other.m_straight, false))
{
}

StagedFile &StagedFile::operator=(StagedFile &&other) noexcept
{
    if (this != &other) {
        discard();
        m_path = std::move(other.m_path);
        m_staged = std::exchange(other.m_staged, QString());
        m_straightBytes = std::move(other.m_straightBytes);
        m_settled = std::exchange(other.m_settled, false);
        m_straight = std::exchange(other.m_straight, false);
    }
    return *this;
}

void StagedFile::Settle()
{
    if (m_settled || m_staged.isEmpty())
        return;
    // A write the disk failed since the bytes were written is reported to
    // this new descriptor too: nobody has seen it yet.
    const int fd = ::open(QFile::encodeName(m_staged).constData(), O_RDONLY | O_CLOEXEC);
    int error = fd < 0 ? errno : 0;
    if (error == 0 && ::fdatasync(fd) != 0)
        error = errno;
    if (fd >= 0)
        ::close(fd);
    if (error != 0) {
        discard();
        throw CannotCreateError(m_path, qt_error_string(error));
    }
    m_settled = true;
}

void StagedFile::PutInPlace()
{
    if (m_straight) {
        StraightTarget target(m_path);
        if (const int error = target.Write(m_straightBytes))
            throw CannotCreateError(m_path, qt_error_string(error));
        m_straight = false;
        m_straightBytes.clear();
        return;
    }
    // On the disk before it takes the old file's place, so that a crash
    // leaves either file whole.
    Settle();
    if (::rename(QFile::encodeName(m_staged).constData(), QFile::encodeName(writtenPath(m_path)).constData()) != 0) {
        const int error = errno;
        discard();
        throw CannotCreateError(m_path, qt_error_string(error));
    }
    m_staged.clear();
}

void StagedFile::discard()
{
    if (!m_staged.isEmpty())
        ::unlink(QFile::encodeName(m_staged).constData());
    m_staged.clear();
}

std::optional<QByteArray> ReadConfigFile(const QString &path)
{
    // Opened without waiting, so that a FIFO in the file's place cannot
    // hold the program until someone writes into it.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return std::nullopt;
        throw CannotOpenError(path, qt_error_string(errno));
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw CannotOpenError(path, file.errorString());
    }
    struct stat status{};
    if (::fstat(fd, &status) != 0)
        throw CannotOpenError(path, qt_error_string(errno));
    if (S_ISDIR(status.st_mode)) {
        // Qt's own words for it, as every other open of a folder gives them.
        QFile folder(path);
        folder.open(QIODevice::ReadOnly);
        throw CannotOpenError(path, folder.errorString());
    }
    if (!S_ISREG(status.st_mode))
        throw CannotOpenError(path, QStringLiteral("Not a regular file"));
    QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw CannotOpenError(path, file.errorString());
    return content;
}

int WriteAll(int fd, const char *data, qsizetype size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, static_cast<std::size_t>(size));
        if (written < 0 && errno == EINTR)
            continue;
        // A write that takes nothing although there was room: the disk is full.
        if (written <= 0)
            return written < 0 ? errno : ENOSPC;
        data += written;
        size -= written;
    }
    return 0;
}
