#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QStringList>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// A program run to its end: its wall time, its own peak memory as the
// system counted it (wait4), and its exit status (-1 when it did not exit).
struct ChildRun
{
    double seconds = 0;
    long peakMiB = 0;
    int status = -1;
};

// A program and its arguments as execv takes them.
class ArgumentVector
{
public:
    ArgumentVector(const QString &program, const QStringList &arguments) : m_storage{QFile::encodeName(program)}
    {
        for (const QString &argument : arguments)
            m_storage.push_back(argument.toLocal8Bit());
        for (QByteArray &item : m_storage)
            m_pointers.push_back(item.data());
        m_pointers.push_back(nullptr);
    }
    ArgumentVector(const ArgumentVector &) = delete;
    ArgumentVector &operator=(const ArgumentVector &) = delete;

    char *const *Get() const { return m_pointers.data(); }

private:
    std::vector<QByteArray> m_storage;
    std::vector<char *> m_pointers;
};

// Runs the program with the arguments in the folder and waits for it.
inline ChildRun RunChild(const QString &program, const QStringList &arguments, const QString &folder)
{
    const ArgumentVector argv(program, arguments);
    const QByteArray where = QFile::encodeName(folder);

    QElapsedTimer clock;
    clock.start();
    const pid_t child = fork();
    if (child == 0) {
        if (chdir(where.constData()) != 0)
            _exit(127);
        execv(argv.Get()[0], argv.Get());
        _exit(127);
    }
    ChildRun run;
    int status = 0;
    rusage usage{};
    if (child > 0 && wait4(child, &status, 0, &usage) == child) {
        run.seconds = clock.nsecsElapsed() / 1e9;
        run.peakMiB = usage.ru_maxrss / 1024;
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return run;
}
