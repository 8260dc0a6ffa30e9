#include "WholeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
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

} // namespace

// The temporary file behind a WholeFileWriter, as a device. QSaveFile alone
// is not enough: buffered, its last write happens inside commit(), whose
// failure Qt does not report, and a cut-off file would replace the old one.
// So it is opened unbuffered, and a short write (the disk filled up half-way)
// is retried until it fails outright, which gives the system's reason.
class WholeFileWriter::SaveDevice : public QIODevice
{
public:
    explicit SaveDevice(const QString &path) : m_file(writtenPath(path)) {}

    bool Start()
    {
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return false;
        return open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }

    QString Reason() const { return m_reason.isEmpty() ? m_file.errorString() : m_reason; }
    bool Failed() const { return !m_reason.isEmpty(); }

    bool Commit()
    {
        close();
        if (Failed())
            return false;
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
        startWriting(done);
        return done;
    }

private:
    // A long file (a manifest of 66 MB) goes to the disk while it is being
    // written, in parts of some MB: syncing it all at the end held the
    // program up for 0.07 s, and starting each write of 70 kB on its own
    // made a thousand small writes.
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

    QSaveFile m_file;
    QString m_reason;
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

QIODevice &WholeFileWriter::Device()
{
    return *m_device;
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
    const QString target = writtenPath(path);
    const QFileInfo info(target);
    // A hidden name of its own in the file's folder: the rename must not
    // cross file systems.
    QByteArray pattern = QFile::encodeName(info.absolutePath() + QStringLiteral("/.lumo-XXXXXX"));
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
    const char *data = bytes.data();
    qsizetype remaining = bytes.size();
    int error = ::fchmod(fd, mode) == 0 ? 0 : errno;
    // A short write (the disk filled up half-way) is tried again until it
    // fails outright, which gives the system's reason.
    while (error == 0 && remaining > 0) {
        const ssize_t written = ::write(fd, data, static_cast<std::size_t>(remaining));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            error = written < 0 ? errno : ENOSPC;
            break;
        }
        data += written;
        remaining -= written;
    }
    // Only started here: waiting for the disk on the worker held each page
    // up (a 1 MB text's 937 pictures and box files: 1.6 s, against 1.3 s
    // with PutInPlace waiting).
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
      m_settled(std::exchange(other.m_settled, false))
{
}

StagedFile &StagedFile::operator=(StagedFile &&other) noexcept
{
    if (this != &other) {
        discard();
        m_path = std::move(other.m_path);
        m_staged = std::exchange(other.m_staged, QString());
        m_settled = std::exchange(other.m_settled, false);
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
