#pragma once

#include <QByteArray>
#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// lumo-render run as a user runs it, in a folder, to its end.
struct Run
{
    bool finished = false;
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

inline Run RunRender(const QString &folder, const QStringList &arguments, const QByteArray &input = QByteArray(),
                     const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(LUMO_RENDER_EXE), arguments);
    Run result;
    if (!process.waitForStarted(30000))
        return result;
    if (!input.isNull())
        process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.finished = true;
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

// Everything in the folder, hidden files included, by name.
inline QStringList AllEntries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// Short lines that never wrap: with 8 pt at the offscreen screen's 96 dpi a
// character cell is 11 pixels high and lines are 14 apart, so a 100 pixel
// page holds 6 lines and 13 lines make 3 pages.
inline QByteArray ThirteenLines()
{
    QByteArray text;
    for (int i = 1; i <= 13; ++i)
        text += "Zeile " + QByteArray::number(i) + "\r\n";
    return text;
}

// Lines of text enough for a few hundred pages of 200 x 100 pixels.
inline QByteArray ManyLines(int count)
{
    QByteArray text;
    for (int i = 1; i <= count; ++i)
        text += "Zeile " + QByteArray::number(i) + " mit etwas Text\r\n";
    return text;
}

// The environment of a run on a disk that fails (see FailingDisk.cpp): one
// of its variables set to value.
inline QProcessEnvironment FailingDisk(const QString &variable, const QString &value)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(LUMO_FAILING_DISK));
    environment.insert(variable, value);
    // A sanitizer's runtime would otherwise insist on being loaded first.
    environment.insert(QStringLiteral("ASAN_OPTIONS"),
                       environment.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":verify_asan_link_order=0"));
    return environment;
}
