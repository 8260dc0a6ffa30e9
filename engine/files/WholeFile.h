#pragma once

#include "LumoError.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>
#include <memory>
#include <optional>

// Every file the program writes is written whole: into a temporary file
// beside it, without buffering, every write checked, then renamed over the
// old one. A failure (a full disk half-way) leaves the old file as it was
// and reports the system's own reason. This unit also words the file
// messages, so each is built in one place.

// The path as the messages show it: absolute, native separators.
QString FullPath(const QString &path);

// "Datei "<full path>" kann nicht erstellt werden. <reason>"
LumoError CannotCreateError(const QString &path, const QString &reason);
// "Datei <full path> kann nicht geöffnet werden. <reason>"
LumoError CannotOpenError(const QString &path, const QString &reason);

// The hidden name a file has while it is being written beside its place.
inline constexpr char StagedPrefix[] = ".lumo-";

// Whether the path is written into as it is instead of being replaced: one
// of this process's own descriptors (/dev/stdout, /dev/fd/N), or an existing
// file that is neither a regular file nor a folder (a FIFO, /dev/null).
bool IsWrittenStraight(const QString &path);

// Such a file, open for writing; a path that is not written straight gives
// a target that is not open.
class StraightTarget
{
public:
    // Raises the creation error when the file cannot be opened, or when it is
    // neither a FIFO nor a character device (a block device, a socket).
    explicit StraightTarget(const QString &path);

    bool IsOpen() const { return m_file.isOpen(); }
    // Writes every byte; returns 0, or the system's error number.
    int Write(QByteArrayView bytes);

private:
    // Holds the descriptor, which it closes.
    QFile m_file;
    bool m_standardOutput = false;
};

// One file being written whole. A FIFO, a device or standard output in the
// file's place is written into instead, and stays what it is. Until Commit() the old file is untouched;
// a writer that goes without Commit() removes what it wrote.
class WholeFileWriter
{
public:
    // Raises the creation error when the temporary file cannot be made.
    explicit WholeFileWriter(const QString &path);
    ~WholeFileWriter();
    WholeFileWriter(const WholeFileWriter &) = delete;
    WholeFileWriter &operator=(const WholeFileWriter &) = delete;

    // Raises the creation error with the system's reason when not every
    // byte could be written.
    void Write(QByteArrayView bytes);

    // How many bytes have been written.
    qint64 Written() const;
    // Drops what was written after the first `size` bytes, so that a
    // commit puts in place only what came before; raises the creation
    // error when it cannot. What went straight into a FIFO or a device
    // has gone and stays.
    void CutBack(qint64 size);

    // Puts the file in place; raises the creation error when an earlier
    // write failed or the file cannot be renamed.
    void Commit();

    const QString &Path() const { return m_path; }
    // Why the last write or the commit failed.
    QString ErrorString() const;

private:
    class SaveDevice;

    QString m_path;
    std::unique_ptr<SaveDevice> m_device;
};

// Writes the bytes as the whole content of the file.
void SaveFile(const QString &path, QByteArrayView bytes);

// Writes all of data to the descriptor, again after an interruption or a
// short write. Returns 0, or the system's error number of the write that
// failed (ENOSPC for one that took nothing).
int WriteAll(int fd, const char *data, qsizetype size);

// A file written whole in two steps that may run on different threads: the
// bytes go into a hidden temporary file beside it when it is made, and the
// disk starts writing them; PutInPlace() waits until they are on the disk
// and renames the file over the old one. So workers write the pages without
// waiting for the disk, while the files come into place in page order. A
// staged file that is never put in place is removed. A file written
// straight (see IsWrittenStraight) keeps its bytes until PutInPlace().
class StagedFile
{
public:
    StagedFile() = default;
    // Raises the creation error of the file with the system's reason.
    StagedFile(const QString &path, QByteArrayView bytes);
    ~StagedFile();
    StagedFile(StagedFile &&other) noexcept;
    StagedFile &operator=(StagedFile &&other) noexcept;
    StagedFile(const StagedFile &) = delete;
    StagedFile &operator=(const StagedFile &) = delete;

    // Waits until the bytes are on the disk; raises the creation error when
    // they cannot be put there, and the file is then removed.
    void Settle();
    // Settles the file and renames it over the old one; raises the creation
    // error when either fails, and the old file then stays as it was.
    void PutInPlace();
    const QString &Path() const { return m_path; }

private:
    void discard();

    QString m_path;
    QString m_staged;
    QByteArray m_straightBytes;
    bool m_settled = false;
    bool m_straight = false;
};

// The bytes of a configuration file (the settings, the custom colours);
// nothing when there is no such file, also when a symbolic link of that
// name points nowhere. Anything but a regular file (a FIFO, a device, a
// folder) raises the open error "Not a regular file" at once, without
// waiting for a writer; so does a file that cannot be read.
std::optional<QByteArray> ReadConfigFile(const QString &path);
