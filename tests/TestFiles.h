#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

// The whole file as bytes. A file that cannot be read gives a text naming it
// and the reason instead, which equals no file's contents, so a comparison
// with expected bytes fails and says why.
inline QByteArray ReadBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<cannot read " + path.toLocal8Bit() + ": " + file.errorString().toLocal8Bit() + '>';
    return file.readAll();
}

// Writes the bytes as they are over any earlier file; false when any of them
// could not be written.
inline bool WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A name in the current folder as the program's messages show it.
inline QString AbsoluteNativePath(const QString &name)
{
    return QDir::toNativeSeparators(QDir::current().absoluteFilePath(name));
}

#ifdef Q_OS_UNIX
// While it lives, every write of this process past the given size fails with
// "File too large", the way a full disk makes a write fail half-way. Tests
// run as root, so a read-only folder would not stop a write. The signal that
// would end the process at the limit is ignored meanwhile.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_active = getrlimit(RLIMIT_FSIZE, &m_previous) == 0;
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_previous;
        limit.rlim_cur = bytes;
        m_active = m_active && setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        if (m_active)
            setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    // Whether the limit is in force.
    bool active() const { return m_active; }

private:
    rlimit m_previous{};
    void (*m_previousHandler)(int) = nullptr;
    bool m_active = false;
};
#endif
